// The test's own reading of the demo records, so that expected counts and titles come from the
// ISO 2709 files and not from the engine: a record parser, and the keyword sets of the demo's
// field selection tables (demo/databases/*/*.fst) written out again here.
import { readFileSync } from 'node:fs';

const kRecordEnd = 0x1d;
const kFieldEnd = 0x1e;
const kSubfield = '\x1f';

// Records of an ISO 2709 file: arrays of { tag, data } with data as text (indicators first).
export function parseIso(path) {
  const bytes = readFileSync(path);
  const records = [];
  let at = 0;
  const text = (from, to) => bytes.subarray(from, to).toString('utf8');
  while (at + 24 <= bytes.length) {
    const length = parseInt(text(at, at + 5), 10);
    if (!(length > 24)) throw new Error(`${path}: bad record length at byte ${at}`);
    const base = parseInt(text(at + 12, at + 17), 10);
    const fields = [];
    for (let d = at + 24; bytes[d] !== kFieldEnd && d + 12 <= at + base; d += 12) {
      const tag = text(d, d + 3);
      const len = parseInt(text(d + 3, d + 7), 10);
      const start = parseInt(text(d + 7, d + 12), 10);
      let data = text(at + base + start, at + base + start + len);
      if (data.endsWith('\x1e')) data = data.slice(0, -1);
      fields.push({ tag, data });
    }
    if (bytes[at + length - 1] !== kRecordEnd) {
      throw new Error(`${path}: the record at byte ${at} does not end with its terminator`);
    }
    records.push(fields);
    at += length;
  }
  return records;
}

// The first subfield `code` of a field's text ('' when absent).
export function subfield(data, code) {
  const parts = data.split(kSubfield);
  for (let i = 1; i < parts.length; i++) {
    if (parts[i][0] === code) return parts[i].slice(1);
  }
  return '';
}

export function fieldsOf(record, tag) {
  return record.filter((f) => f.tag === tag).map((f) => f.data);
}

export function words(text) {
  return (text.match(/[\p{L}\p{N}]+/gu) || []).map((w) => w.toUpperCase());
}

// Keyword selections of the demo databases: [tag, subfield codes, posting group].
const kKeywordFields = {
  RUSMARC: [
    ['700', 'a', 'author'], ['701', 'a', 'author'], ['702', 'a', 'author'],
    ['710', 'a', 'author'], ['711', 'a', 'author'],
    ['200', 'ae', 'title'], ['517', 'a', 'title'], ['225', 'a', 'title'],
    ['606', 'axy', 'subject'], ['600', 'a', 'subject'], ['601', 'a', 'subject'],
    ['607', 'a', 'subject'], ['610', 'a', 'subject'],
  ],
  MARC21: [
    ['100', 'a', 'author'], ['110', 'a', 'author'], ['111', 'a', 'author'],
    ['700', 'a', 'author'], ['710', 'a', 'author'], ['711', 'a', 'author'],
    ['245', 'ab', 'title'], ['246', 'a', 'title'], ['740', 'a', 'title'], ['490', 'a', 'title'],
    ['600', 'a', 'subject'], ['610', 'a', 'subject'], ['650', 'axz', 'subject'],
    ['651', 'a', 'subject'], ['653', 'a', 'subject'],
  ],
};

// Every keyword occurrence of a record, upper-cased, with its group: one posting each.
function* keywordOccurrences(db, record) {
  for (const [tag, codes, group] of kKeywordFields[db]) {
    for (const data of fieldsOf(record, tag)) {
      for (const code of codes) for (const w of words(subfield(data, code))) yield [w, group];
    }
  }
}

// The upper-cased keywords of a record, of one group ('author', 'title', 'subject') or all.
export function keywords(db, record, group) {
  const out = new Set();
  for (const [w, g] of keywordOccurrences(db, record)) if (!group || g === group) out.add(w);
  return out;
}

// The K= dictionary of a database as the index browser lists it: [term, postings] in the
// engine's order (bytes of UTF-8); a word counts once per occurrence.
export function keywordDictionary(db, records) {
  const counts = new Map();
  for (const r of records) {
    for (const [w] of keywordOccurrences(db, r)) counts.set(w, (counts.get(w) || 0) + 1);
  }
  return [...counts].sort((a, b) => Buffer.compare(Buffer.from(a[0]), Buffer.from(b[0])));
}

// The year the demo indexes as G=: 100 ^a characters 10-13 (RUSMARC), 008 characters 8-11.
export function year(db, record) {
  const y = db === 'RUSMARC' ? subfield(fieldsOf(record, '100')[0] || '', 'a').slice(9, 13)
                             : (fieldsOf(record, '008')[0] || '').slice(7, 11);
  return /^[0-9]{4}$/.test(y) && Number(y) > 999 ? Number(y) : null;
}

// The sort keys of the demo's sort worksheets (demo/databases/*/*.srw) written out again:
// per worksheet, the keys as [length, value of a record].
const first = (r, tag, code) => subfield(fieldsOf(r, tag)[0] || '', code);
const has = (r, tag) => fieldsOf(r, tag).length > 0;
// The MARC 21 title without its non-filing characters (the second indicator of 245).
const marcTitle = (r) => {
  const f = fieldsOf(r, '245')[0] || '';
  return Array.from(first(r, '245', 'a')).slice(Number(f[1]) || 0, (Number(f[1]) || 0) + 80).join('');
};
const rusYear = (r) => Array.from(first(r, '100', 'a')).slice(9, 13).join('');
const marcYear = (r) => Array.from(fieldsOf(r, '008')[0] || '').slice(7, 11).join('');
const kSortKeys = {
  RUSMARC: {
    author: [[60, (r) => has(r, '700') ? first(r, '700', 'a') + (first(r, '700', 'b') && ' ' + first(r, '700', 'b'))
      : has(r, '710') ? first(r, '710', 'a')
      : has(r, '701') ? first(r, '701', 'a') + (first(r, '701', 'b') && ' ' + first(r, '701', 'b'))
      : has(r, '711') ? first(r, '711', 'a') : first(r, '200', 'a')],
    [80, (r) => first(r, '200', 'a')]],
    title: [[80, (r) => first(r, '200', 'a') + (first(r, '200', 'e') && ' ' + first(r, '200', 'e'))], [4, rusYear]],
    year: [[4, rusYear], [80, (r) => first(r, '200', 'a')]],
  },
  MARC21: {
    author: [[60, (r) => has(r, '100') ? first(r, '100', 'a') : has(r, '110') ? first(r, '110', 'a')
      : has(r, '111') ? first(r, '111', 'a') : has(r, '700') ? first(r, '700', 'a')
      : has(r, '710') ? first(r, '710', 'a') : marcTitle(r)], [80, marcTitle]],
    title: [[80, marcTitle], [4, marcYear]],
    year: [[4, marcYear], [80, marcTitle]],
  },
};

// Upper case one character at a time (a character never becomes two, as in the gateway).
const upper = (s) => Array.from(s, (c) => (Array.from(c.toUpperCase()).length === 1 ? c.toUpperCase() : c)).join('');
const fit = (s, n) => Array.from(s).slice(0, n).concat(Array(Math.max(0, n - Array.from(s).length)).fill(' ')).join('');

// The MFNs of `mfns` in the order of a sort worksheet: keys cut or padded to their lengths,
// upper-cased and compared as UTF-16 code units; equal keys keep the order of `mfns`.
export function sortedMfns(db, records, mfns, worksheet) {
  const keys = kSortKeys[db][worksheet];
  const keyOf = (mfn) => upper(keys.map(([n, value]) => fit(value(records[mfn - 1]), n)).join(''));
  return mfns.map((mfn) => [keyOf(mfn), mfn])
    .sort((a, b) => (a[0] < b[0] ? -1 : a[0] > b[0] ? 1 : 0))
    .map(([, mfn]) => mfn);
}

// 1-based record numbers (MFNs: records are loaded in file order) matching `test`.
export function mfnsWhere(records, test) {
  const out = [];
  records.forEach((r, i) => { if (test(r)) out.push(i + 1); });
  return out;
}

// The language file as a map key -> text.
export function readLanguage(path) {
  const lines = readFileSync(path, 'utf8').split(/\r\n/);
  const map = new Map();
  for (let i = 0; i + 1 < lines.length; i += 2) map.set(lines[i], lines[i + 1]);
  return map;
}
