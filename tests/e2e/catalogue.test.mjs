// The demonstration catalogue in a real browser: lighttpd runs the gateway as CGI, Chromium
// loads the pages as a reader would use them. Expected counts and titles come from the ISO 2709
// files (records.mjs), the expected texts from the language files. Every test saves a
// screenshot under <build>/e2e-screenshots/.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import path from 'node:path';
import { startSite, launchBrowser, axeSource, screenshot, sourceDir } from './site.mjs';
import { readFileSync } from 'node:fs';
import { execFileSync } from 'node:child_process';
import {
  parseIso, keywords, keywordDictionary, sortedMfns, words, year, mfnsWhere, subfield, fieldsOf, readLanguage,
} from './records.mjs';

const records = {
  RUSMARC: parseIso(path.join(sourceDir, 'data/rusmarc-nlr-utf8.mrc')),
  MARC21: parseIso(path.join(sourceDir, 'data/marc21-real-utf8.mrc')),
};
const lng = {
  ru: readLanguage(path.join(sourceDir, 'demo/site/ru.lng')),
  en: readLanguage(path.join(sourceDir, 'demo/site/en.lng')),
};
const kPageSize = 10;  // [WEB] S21CNR of demo/zarix_server.ini

// The start of the title a result list shows: the first ^a of 200 (RUSMARC) or 245 (MARC 21)
// without the punctuation that cataloguers end it with.
function titleStart(db, mfn) {
  const r = records[db][mfn - 1];
  const a = subfield(fieldsOf(r, db === 'RUSMARC' ? '200' : '245')[0] || '', 'a');
  return a.replace(/\s*[:/;=.]\s*$/, '').trim();
}

let site;
let browser;

before(async () => {
  site = await startSite();
  browser = await launchBrowser();
});

after(async () => {
  await browser?.close();
  await site?.stop();
});

async function newPage(width = 1200) {
  const context = await browser.newContext({ viewport: { width, height: 900 } });
  return context.newPage();
}

async function home(page, language) {
  await page.goto(`${site.base}/cgi-bin/cgizarix64?C21COM=F&LNG=${language}`);
}

async function simpleSearch(page, db, language, text) {
  await home(page, language);
  await page.selectOption('#db', db);
  await page.fill('#q', text);
  await Promise.all([page.waitForNavigation(), page.click('form[role=search] button[type=submit]')]);
}

async function shownCount(page) {
  return Number(await page.textContent('h1 .count'));
}

async function shownTitles(page) {
  return (await page.$$eval('.results .rec-title a', (as) => as.map((a) => a.textContent.trim())));
}

function assertTitles(db, titles, mfns) {
  assert.equal(titles.length, mfns.length, 'number of records on the page');
  titles.forEach((t, i) => {
    const expected = titleStart(db, mfns[i]);
    assert.ok(t.startsWith(expected), `record ${i + 1}: "${t}" should start with "${expected}"`);
  });
}

const simpleCases = [
  { db: 'RUSMARC', language: 'ru', query: 'роман', words: ['РОМАН'] },
  { db: 'MARC21', language: 'en', query: 'perl programming', words: ['PERL', 'PROGRAMMING'] },
  { db: 'MARC21', language: 'en', query: 'Computer', words: ['COMPUTER'] },
];

for (const c of simpleCases) {
  test(`simple search: ${c.query} in ${c.db}`, async () => {
    const expected = mfnsWhere(records[c.db], (r) => {
      const k = keywords(c.db, r);
      return c.words.every((w) => k.has(w));
    });
    assert.ok(expected.length > 0, 'the case needs a query that finds something');
    const page = await newPage();
    await simpleSearch(page, c.db, c.language, c.query);
    assert.equal(await shownCount(page), expected.length);
    assert.equal(await page.inputValue('#q'), c.query, 'the query stays in the search box');
    assert.equal(await page.textContent('strong.query'), c.query);
    assertTitles(c.db, await shownTitles(page), expected.slice(0, kPageSize));
    assert.equal(await page.getAttribute('html', 'lang'), c.language);
    await screenshot(page, `search-${c.db}-${c.words.join('-').toLowerCase()}`);
    await page.context().close();
  });
}

test('page 2 of a result, and back to page 1', async () => {
  const db = 'MARC21';
  const expected = mfnsWhere(records[db], (r) => keywords(db, r).has('COMPUTER'));
  assert.ok(expected.length > kPageSize, 'the query must fill more than one page');
  const pages = Math.ceil(expected.length / kPageSize);
  const page = await newPage();
  await simpleSearch(page, db, 'en', 'computer');
  assert.equal(await page.textContent('.pager a[aria-current=page]'), '1');
  assert.equal(await page.locator('.pager').first().locator('.of').last().textContent(),
    `${lng.en.get('page')} 1 ${lng.en.get('page_of')} ${pages}`);
  await Promise.all([page.waitForNavigation(),
    page.locator('.pager').first().getByRole('link', { name: '2', exact: true }).click()]);
  assert.equal(await shownCount(page), expected.length);
  assert.equal(await page.textContent('.pager a[aria-current=page]'), '2');
  assert.equal(await page.getAttribute('ol.results', 'start'), String(kPageSize + 1));
  assertTitles(db, await shownTitles(page), expected.slice(kPageSize, 2 * kPageSize));
  assert.equal(await page.inputValue('#q'), 'computer', 'later pages keep the query in the box');
  await screenshot(page, 'search-page-2');
  await Promise.all([page.waitForNavigation(),
    page.locator('.pager').first().getByRole('link', { name: lng.en.get('prev') }).click()]);
  assertTitles(db, await shownTitles(page), expected.slice(0, kPageSize));
  await page.context().close();
});

const advancedCases = [
  {
    name: 'author and years',
    db: 'RUSMARC', language: 'ru',
    fill: { '#a-author': 'Замятин' }, from: '1990', to: '2000',
    match: (r) => keywords('RUSMARC', r, 'author').has('ЗАМЯТИН') &&
      year('RUSMARC', r) >= 1990 && year('RUSMARC', r) <= 2000,
    shown: 'Замятин; 1990–2000',
  },
  {
    name: 'title words with truncation',
    db: 'MARC21', language: 'en',
    fill: { '#a-title': 'program' }, truncateTitle: true,
    match: (r) => [...keywords('MARC21', r, 'title')].some((w) => w.startsWith('PROGRAM')),
    shown: 'program',
  },
  {
    name: 'subject words',
    db: 'MARC21', language: 'en',
    fill: { '#a-subject': 'perl' },
    match: (r) => keywords('MARC21', r, 'subject').has('PERL'),
    shown: 'perl',
  },
];

for (const c of advancedCases) {
  test(`advanced search: ${c.name}`, async () => {
    const expected = mfnsWhere(records[c.db], c.match);
    assert.ok(expected.length > 0);
    const page = await newPage();
    await home(page, c.language);
    await Promise.all([page.waitForNavigation(),
      page.getByRole('link', { name: lng[c.language].get('advanced') }).first().click()]);
    assert.equal(await page.textContent('h1'), lng[c.language].get('adv_heading'));
    await page.selectOption('#adb', c.db);
    for (const [field, value] of Object.entries(c.fill)) await page.fill(field, value);
    if (c.from) await page.fill('input[name="4S21P06"]', c.from);
    if (c.to) await page.fill('input[name="4S21P07"]', c.to);
    if (c.truncateTitle) await page.check('input[name="2S21P02"]');
    await screenshot(page, `advanced-form-${c.language}`);
    await Promise.all([page.waitForNavigation(), page.click('main form button[type=submit]')]);
    assert.equal(await shownCount(page), expected.length);
    assert.equal(await page.textContent('strong.query'), c.shown);
    assertTitles(c.db, await shownTitles(page), expected.slice(0, kPageSize));
    await screenshot(page, `advanced-${c.name.replace(/\W+/g, '-')}`);
    await page.context().close();
  });
}

test('opening a record, and back to the results', async () => {
  const db = 'MARC21';
  const expected = mfnsWhere(records[db], (r) => keywords(db, r).has('COMPUTER'));
  const page = await newPage();
  await simpleSearch(page, db, 'en', 'computer');
  await Promise.all([page.waitForNavigation(),
    page.locator('.pager').first().getByRole('link', { name: '2', exact: true }).click()]);
  const mfn = expected[kPageSize];
  await Promise.all([page.waitForNavigation(), page.locator('.results .rec-title a').first().click()]);
  const heading = (await page.textContent('article h1')).trim();
  assert.ok(heading.startsWith(titleStart(db, mfn)), `"${heading}"`);
  const labels = await page.$$eval('dl.details dt', (dts) => dts.map((d) => d.textContent));
  assert.ok(labels.includes(lng.en.get('f_publication')), labels.join(', '));
  const control = (fieldsOf(records[db][mfn - 1], '001')[0] || '').trim();
  assert.equal((await page.textContent('dl.details dd:last-of-type')).trim(), control);
  await screenshot(page, 'record');
  // A subject of the record is a link that searches it.
  const subjects = page.locator('dl.details dd ul a');
  if (await subjects.count() > 0) {
    const subject = (await subjects.first().textContent()).split(' — ')[0];
    await Promise.all([page.waitForNavigation(), subjects.first().click()]);
    const withSubject = mfnsWhere(records[db], (r) => ['600', '610', '650', '651'].some(
      (t) => fieldsOf(r, t).some((d) => subfield(d, 'a') === subject)));
    assert.equal(await shownCount(page), withSubject.length, `subject ${subject}`);
    await page.goBack();
  }
  await Promise.all([page.waitForNavigation(),
    page.getByRole('link', { name: lng.en.get('back') }).click()]);
  assert.equal(await shownCount(page), expected.length);
  assert.equal(await page.textContent('.pager a[aria-current=page]'), '2');
  await page.context().close();
});

test('an empty result helps the reader on', async () => {
  for (const language of ['ru', 'en']) {
    const page = await newPage();
    await simpleSearch(page, 'RUSMARC', language, 'zzqqxx abcdefgh');
    assert.equal(await page.textContent('h1'), lng[language].get('empty_heading'));
    assert.equal(await page.textContent('strong.query'), 'zzqqxx abcdefgh');
    assert.equal(await page.locator('.results').count(), 0);
    const browse = page.getByRole('link', { name: lng[language].get('empty_tip4') });
    assert.match(await browse.getAttribute('href'), /T21TRM=zzqqxx(&|$)/);
    await screenshot(page, `empty-${language}`);
    await page.context().close();
  }
});

test('a catalogue that cannot be opened answers with the message page', async () => {
  const messages = readFileSync(path.join(sourceDir, 'demo/site/WebMsg.txt'), 'utf8').split(/\r\n/);
  const page = await newPage();
  await page.goto(`${site.base}/cgi-bin/cgizarix64?C21COM=S&I21DBN=NOSUCH&S21STR=x`);
  assert.equal((await page.textContent('main p')).trim(), messages[11]);
  await screenshot(page, 'message');
  await page.context().close();
});

test('a query with quotes and markup is shown as text, never as markup', async () => {
  const page = await newPage();
  await simpleSearch(page, 'MARC21', 'en', 'x"><b>bold</b> \' ~~code~~');
  const box = await page.inputValue('#q');
  assert.ok(box.includes('"') && box.includes('<b>'), `the box shows the text: ${box}`);
  assert.ok(box.endsWith("' ~~code~~"), `language markers of the query stay text: ${box}`);
  assert.equal(await page.locator('main b, header form b').count(), 0, 'no element made from the query');
  assert.ok((await page.textContent('strong.query')).includes('<b>'));
  // The language links carry the query as data of their address.
  const href = await page.getAttribute('a[hreflang=ru]', 'href');
  assert.ok(!/[<>" ]/.test(href), href);
  await page.context().close();
});

test('both interface languages, and the switch keeps the page', async () => {
  const page = await newPage();
  await home(page, 'ru');
  assert.equal(await page.getAttribute('html', 'lang'), 'ru');
  assert.equal(await page.textContent('h1'), lng.ru.get('home_heading'));
  assert.equal(await page.getAttribute('a[hreflang=ru]', 'aria-current'), 'true');
  await screenshot(page, 'home-ru');
  await Promise.all([page.waitForNavigation(), page.click('a[hreflang=en]')]);
  assert.equal(await page.getAttribute('html', 'lang'), 'en');
  assert.equal(await page.textContent('h1'), lng.en.get('home_heading'));
  assert.equal(await page.getAttribute('a[hreflang=en]', 'aria-current'), 'true');
  await screenshot(page, 'home-en');

  await simpleSearch(page, 'RUSMARC', 'ru', 'роман');
  const count = await shownCount(page);
  assert.equal(await page.textContent('label[for=q]'), lng.ru.get('search_label'));
  await Promise.all([page.waitForNavigation(), page.click('a[hreflang=en]')]);
  assert.equal(await page.getAttribute('html', 'lang'), 'en');
  assert.equal(await shownCount(page), count);
  assert.equal(await page.textContent('label[for=q]'), lng.en.get('search_label'));
  assert.equal(await page.inputValue('#q'), 'роман');
  assert.equal(await page.inputValue('#db'), 'RUSMARC');
  await page.context().close();
});

// The orders the site's order database holds: reader, note and database of each, one a line.
function storedOrders() {
  const out = execFileSync(process.env.ZARIX_ADMIN || path.join(site.site, '..', 'zarix64/zarix-admin'),
    ['print', 'RQST', '--datapath', path.join(site.site, 'data'), '--format', "v30,'|',v101,'|',v1/"],
    { encoding: 'utf8' });
  return out.split(/\r?\n/).filter((l) => l.length > 0);
}

test('a reader signs in, keeps the sign-in across pages, and orders a record', async () => {
  const page = await newPage();
  await home(page, 'en');
  await Promise.all([page.waitForNavigation(),
    page.getByRole('link', { name: lng.en.get('sign_in') }).click()]);
  assert.equal(await page.textContent('h1'), lng.en.get('login_heading'));
  // A wrong surname is refused on the same page.
  await page.fill('#l-card', '1002');
  await page.fill('#l-surname', 'Millar');
  await Promise.all([page.waitForNavigation(), page.click('main form button[type=submit]')]);
  assert.equal((await page.textContent('.notice')).trim(), lng.en.get('login_failed'));
  await page.fill('#l-card', '1002');
  await page.fill('#l-surname', 'miller');
  await Promise.all([page.waitForNavigation(), page.click('main form button[type=submit]')]);
  assert.ok((await page.textContent('.reader')).includes('John Miller'));
  await screenshot(page, 'signed-in');

  // Searching and opening a record keep the reader; the record offers the order for them.
  await page.selectOption('#db', 'MARC21');
  await page.fill('#q', 'perl');
  await Promise.all([page.waitForNavigation(), page.click('form[role=search] button[type=submit]')]);
  assert.ok((await page.textContent('.reader')).includes('John Miller'), 'signed in on the results');
  await Promise.all([page.waitForNavigation(), page.locator('.results .rec-title a').first().click()]);
  const order = page.locator('section.order');
  assert.ok((await order.textContent()).includes(`${lng.en.get('order_as')} John Miller`));
  const before = storedOrders().length;
  await page.fill('#o-note', 'e2e order');
  await Promise.all([page.waitForNavigation(), order.locator('button[type=submit]').click()]);
  assert.equal(await page.textContent('h1'), lng.en.get('order_answer'));
  assert.ok((await page.textContent('.order-answer')).includes('Your order has been placed.'));
  await screenshot(page, 'order-placed');
  const orders = storedOrders();
  assert.equal(orders.length, before + 1);
  assert.equal(orders[orders.length - 1], '1002|e2e order|MARC21');

  // Signed out, the order form asks for the card; a wrong card orders nothing.
  await Promise.all([page.waitForNavigation(),
    page.getByRole('link', { name: lng.en.get('order_back') }).click()]);
  await Promise.all([page.waitForNavigation(),
    page.getByRole('link', { name: lng.en.get('sign_out') }).click()]);
  await page.goBack();
  await page.goto(page.url().replace(/&Z21ID=[^&]*/, ''));
  await page.fill('#o-card', '9999');
  await page.fill('#o-surname', 'Nobody');
  await Promise.all([page.waitForNavigation(), page.locator('section.order button[type=submit]').click()]);
  assert.ok((await page.textContent('main')).includes('Please sign in as a reader to go on.'));
  assert.equal(storedOrders().length, before + 1);
  await page.context().close();
});

// ---- The index browser ----

const kTermsPerPage = 20;  // T21CNR's default
const dictionary = {
  RUSMARC: keywordDictionary('RUSMARC', records.RUSMARC),
  MARC21: keywordDictionary('MARC21', records.MARC21),
};

// The terms (as shown) and their counts of an index page.
async function shownTerms(page) {
  return page.$$eval('table.terms tbody tr', (rows) => rows.map((r) => [
    r.querySelector('td a').textContent, Number(r.querySelector('td.n').textContent)]));
}

// The terms of `db`'s keyword dictionary from the first one not below `start` (bytes of UTF-8).
function termsFrom(db, start, count = kTermsPerPage) {
  const key = Buffer.from(start.toUpperCase());
  return dictionary[db].filter(([t]) => Buffer.compare(Buffer.from(t), key) >= 0).slice(0, count);
}

async function clickAndWait(page, locator) {
  await Promise.all([page.waitForNavigation(), locator.click()]);
}

test('index browser: first page, next page, a start term, and a term that searches', async () => {
  const db = 'MARC21';
  const page = await newPage();
  await page.goto(`${site.base}/cgi-bin/cgizarix64?C21COM=F&I21DBN=${db}&LNG=en`);
  await clickAndWait(page, page.getByRole('link', { name: lng.en.get('dictionary') }));
  assert.equal(await page.textContent('h1'), lng.en.get('dict_heading'));
  assert.equal(await page.inputValue('#t-prf'), 'K=');
  assert.deepEqual(await shownTerms(page), dictionary[db].slice(0, kTermsPerPage));
  assert.equal(await page.getByRole('link', { name: lng.en.get('dict_first') }).count(), 0,
    'the first page offers no way back to itself');
  await screenshot(page, 'dictionary-en');

  // The next page goes on after the last term shown, without repeating it.
  await clickAndWait(page, page.getByRole('link', { name: lng.en.get('dict_next') }));
  assert.deepEqual(await shownTerms(page), dictionary[db].slice(kTermsPerPage, 2 * kTermsPerPage));

  // A start term typed in lower case.
  await page.fill('#t-trm', 'program');
  await clickAndWait(page, page.locator('form.browse-form button[type=submit]'));
  const expected = termsFrom(db, 'program');
  assert.equal(expected[0][0], 'PROGRAM');
  assert.deepEqual(await shownTerms(page), expected);
  assert.equal(await page.inputValue('#t-trm'), 'program', 'the start term stays in its box');

  // A term is a link that searches it.
  await clickAndWait(page, page.locator('table.terms a', { hasText: /^PROGRAM$/ }));
  const found = mfnsWhere(records[db], (r) => keywords(db, r).has('PROGRAM'));
  assert.equal(await shownCount(page), found.length);
  assertTitles(db, await shownTitles(page), found.slice(0, kPageSize));
  assert.equal(await page.inputValue('#q'), 'PROGRAM', 'the term is the query shown');
  await page.context().close();
});

test('index browser in Russian: a Cyrillic start term, the author index, the end of an index', async () => {
  const db = 'RUSMARC';
  const page = await newPage();
  await home(page, 'ru');
  await clickAndWait(page, page.getByRole('link', { name: lng.ru.get('dictionary') }));
  assert.equal(await page.getAttribute('html', 'lang'), 'ru');
  assert.equal((await page.textContent('table.terms thead')).includes(lng.ru.get('dict_count')), true);
  await page.fill('#t-trm', 'ром');
  await clickAndWait(page, page.locator('form.browse-form button[type=submit]'));
  const expected = termsFrom(db, 'ром');
  assert.equal(expected[0][0], 'РОМАН');
  assert.deepEqual(await shownTerms(page), expected);
  await screenshot(page, 'dictionary-ru');
  await clickAndWait(page, page.locator('table.terms a', { hasText: /^РОМАН$/ }));
  assert.equal(await shownCount(page), mfnsWhere(records[db], (r) => keywords(db, r).has('РОМАН')).length);
  await page.goBack();

  // The author index holds headings "Surname, forenames"; one of them searches its records.
  const headings = (r) => ['700', '701', '702'].flatMap((t) => fieldsOf(r, t)).map(
    (d) => (subfield(d, 'a') + (subfield(d, 'b') && `, ${subfield(d, 'b')}`)).toUpperCase());
  const authors = [...new Set(records[db].flatMap(headings))].sort(
    (a, b) => Buffer.compare(Buffer.from(a), Buffer.from(b)));
  const heading = authors.find((a) => Buffer.compare(Buffer.from(a), Buffer.from('ЗАМЯТИН')) >= 0);
  assert.ok(heading.startsWith('ЗАМЯТИН'), heading);
  await page.selectOption('#t-prf', 'A=');
  await page.fill('#t-trm', 'Замятин');
  await clickAndWait(page, page.locator('form.browse-form button[type=submit]'));
  const first = page.locator('table.terms tbody a').first();
  assert.equal(await first.textContent(), heading);
  await clickAndWait(page, first);
  assert.equal(await shownCount(page), mfnsWhere(records[db], (r) => headings(r).includes(heading)).length);
  await page.goBack();

  // Past the last term: no lines, no next page, and a note saying so.
  await page.selectOption('#t-prf', 'K=');
  await page.fill('#t-trm', 'яяяя');
  await clickAndWait(page, page.locator('form.browse-form button[type=submit]'));
  assert.equal((await shownTerms(page)).length, 0);
  assert.equal((await page.textContent('.notice')).trim(), lng.ru.get('dict_none'));
  assert.equal(await page.getByRole('link', { name: lng.ru.get('dict_next') }).count(), 0);
  await page.context().close();
});

test('a signed-in reader stays signed in while browsing the index', async () => {
  const page = await newPage();
  await page.goto(`${site.base}/cgi-bin/cgizarix64?C21COM=F&PAGE=login&I21DBN=RUSMARC&LNG=ru`);
  await page.fill('#l-card', '1001');
  await page.fill('#l-surname', 'Смирнова');
  await clickAndWait(page, page.locator('main form button[type=submit]'));
  const signedIn = async (where) => assert.ok(
    (await page.locator('.reader').textContent()).includes('Анна Петровна Смирнова'), where);
  await signedIn('after signing in');
  await clickAndWait(page, page.getByRole('link', { name: lng.ru.get('dictionary') }));
  await signedIn('on the index page');
  await clickAndWait(page, page.getByRole('link', { name: lng.ru.get('dict_next') }));
  await signedIn('on the next index page');
  await page.fill('#t-trm', 'красное');
  await clickAndWait(page, page.locator('form.browse-form button[type=submit]'));
  await signedIn('after the start-term form');
  await clickAndWait(page, page.locator('table.terms tbody a').first());
  await signedIn('on the results of a term');
  await clickAndWait(page, page.getByRole('link', { name: lng.ru.get('sort_title') }));
  await signedIn('on a sorted page');
  await clickAndWait(page, page.locator('.results .rec-title a').first());
  await signedIn('on the record page');
  await page.context().close();
});

// ---- Sorted result pages ----

// The MFNs of the records on a result page, in the order shown.
async function shownMfns(page) {
  return page.$$eval('.results .rec-title a',
    (as) => as.map((a) => Number(new URL(a.href).searchParams.get('Z21MFN'))));
}

const sortCases = [
  { db: 'MARC21', language: 'en', word: 'COMPUTER',
    open: (page) => simpleSearch(page, 'MARC21', 'en', 'computer') },
  // Two-letter words are not searched from the search box; the index's term link searches it.
  { db: 'RUSMARC', language: 'ru', word: 'В',
    open: (page) => page.goto(`${site.base}/cgi-bin/cgizarix64?C21COM=S&I21DBN=RUSMARC&LNG=ru&S21All=${
      encodeURIComponent('<.>K=В<.>')}&Q=${encodeURIComponent('В')}`) },
];

for (const c of sortCases) {
  test(`sorted results by author, title and year: ${c.db}`, async () => {
    const found = mfnsWhere(records[c.db], (r) => keywords(c.db, r).has(c.word));
    assert.ok(found.length > kPageSize, 'the sorted list must fill more than one page');
    const page = await newPage();
    await c.open(page);
    assert.deepEqual(await shownMfns(page), found.slice(0, kPageSize), 'catalogue order first');
    const t = lng[c.language];
    for (const worksheet of ['author', 'title', 'year']) {
      const expected = sortedMfns(c.db, records[c.db], found, worksheet);
      assert.notDeepEqual(expected, found, `sorting by ${worksheet} changes the order`);
      await clickAndWait(page, page.locator('.sort').getByRole('link', { name: t.get(`sort_${worksheet}`), exact: true }));
      assert.equal(await page.getAttribute('.sort a[aria-current]', 'href').then((h) => new URL(h, site.base)
        .searchParams.get('S21SRW')), worksheet);
      assert.equal(await shownCount(page), found.length);
      assert.deepEqual(await shownMfns(page), expected.slice(0, kPageSize), `page 1 by ${worksheet}`);
      if (worksheet === 'author') await screenshot(page, `sorted-${c.db}-${worksheet}`);
      // Page 2 keeps the order, and a record's way back returns to the sorted page.
      await clickAndWait(page, page.locator('.pager').first().getByRole('link', { name: '2', exact: true }));
      assert.deepEqual(await shownMfns(page), expected.slice(kPageSize, 2 * kPageSize), `page 2 by ${worksheet}`);
      assert.equal(await page.textContent('.sort a[aria-current]'), t.get(`sort_${worksheet}`));
      await clickAndWait(page, page.locator('.results .rec-title a').first());
      await clickAndWait(page, page.getByRole('link', { name: t.get('back') }));
      assert.deepEqual(await shownMfns(page), expected.slice(kPageSize, 2 * kPageSize), `back to page 2 by ${worksheet}`);
    }
    await clickAndWait(page, page.locator('.sort').getByRole('link', { name: t.get('sort_none') }));
    assert.deepEqual(await shownMfns(page), found.slice(0, kPageSize), 'back to catalogue order');
    await page.context().close();
  });
}

// ---- Marked query words ----

// The marks of each record shown: [MFN, [{ mark, word, where }]] where `word` is the whole word
// the mark begins (the mark and the letters that follow it) and `where` the line it is in.
async function shownMarks(page) {
  return page.$$eval('.results li.rec', (items) => items.map((li) => [
    Number(new URL(li.querySelector('.rec-title a').href).searchParams.get('Z21MFN')),
    [...li.querySelectorAll('mark')].map((m) => {
      const before = m.previousSibling?.textContent ?? '';
      const after = m.nextSibling?.textContent ?? '';
      return {
        mark: m.textContent,
        word: m.textContent + (after.match(/^[\p{L}\p{N}]*/u)[0]),
        joined: /[\p{L}\p{N}]$/u.test(before),
        where: m.closest('.rec-title') ? 'title' : m.parentElement.className,
      };
    }),
  ]));
}

// How often the words of `query` occur in the title a MARC 21 result shows (245 ^a ^b ^n ^p).
function titleOccurrences(mfn, query) {
  const f = fieldsOf(records.MARC21[mfn - 1], '245')[0] || '';
  return ['a', 'b', 'n', 'p'].flatMap((c) => words(subfield(f, c))).filter((w) => query.includes(w)).length;
}

test('marked query words: every occurrence in a title, nothing else', async () => {
  const query = ['PERL', 'PROGRAMMING'];
  const page = await newPage();
  await simpleSearch(page, 'MARC21', 'en', 'perl programming');
  const shown = await shownMarks(page);
  assert.ok(shown.length > 0);
  for (const [mfn, marks] of shown) {
    for (const m of marks) {
      assert.ok(query.includes(m.mark.toUpperCase()), `record ${mfn}: "${m.mark}" is no query word`);
      assert.equal(m.word, m.mark, `record ${mfn}: a whole word is marked`);
      assert.equal(m.joined, false, `record ${mfn}: "${m.mark}" begins a word`);
    }
    assert.equal(marks.filter((m) => m.where === 'title').length, titleOccurrences(mfn, query),
      `record ${mfn}: marks in the title`);
  }
  assert.equal(await page.locator('.pager mark, .sort mark, header mark').count(), 0);
  // The mark is a calm highlight: dark text on a light background.
  const style = await page.locator('.results mark').first().evaluate((m) => {
    const s = getComputedStyle(m);
    return { color: s.color, background: s.backgroundColor };
  });
  assert.notEqual(style.background, 'rgba(0, 0, 0, 0)');
  assert.notEqual(style.color, 'rgb(255, 0, 0)');
  await screenshot(page, 'marks-en');
  await page.context().close();
});

// Russian words are marked in their other grammatical forms too: a word whose stem is the
// query's stem is marked whole.
const inflectedCases = [
  { query: 'литература', stem: 'литератур', form: 'литературы' },
  { query: 'система', stem: 'систем', form: 'системе' },
];

for (const c of inflectedCases) {
  test(`marked query words in their Russian forms: ${c.query}`, async () => {
    const db = 'RUSMARC';
    const found = mfnsWhere(records[db], (r) => keywords(db, r).has(c.query.toUpperCase()));
    // The form must be in the title of a found record, and the query word itself not.
    const titleWords = (mfn) => ['a', 'e', 'i'].flatMap(
      (code) => fieldsOf(records[db][mfn - 1], '200').flatMap((d) => words(subfield(d, code))));
    const withForm = found.filter((mfn) => titleWords(mfn).includes(c.form.toUpperCase()));
    assert.ok(withForm.length > 0, `a record found by ${c.query} has ${c.form} in its title`);
    const page = await newPage();
    await simpleSearch(page, db, 'ru', c.query);
    assert.equal(await shownCount(page), found.length);
    const shown = new Map(await shownMarks(page));
    for (const mfn of withForm) {
      const marks = shown.get(mfn) || [];
      assert.ok(marks.some((m) => m.where === 'title' && m.mark.toLowerCase() === c.form && m.word.toLowerCase() === c.form),
        `record ${mfn}: "${c.form}" marked whole; marks: ${JSON.stringify(marks)}`);
    }
    for (const [mfn, marks] of shown) {
      for (const m of marks) {
        assert.equal(m.mark.toLowerCase(), m.word.toLowerCase(), `record ${mfn}: "${m.mark}" is a whole word`);
        assert.ok(m.mark.toLowerCase().startsWith(c.stem), `record ${mfn}: "${m.mark}" has the query's stem`);
        assert.equal(m.joined, false);
      }
    }
    if (c === inflectedCases[0]) await screenshot(page, 'marks-ru');
    await page.context().close();
  });
}

test('the pages fit a 360-pixel phone', async () => {
  const page = await newPage(360);
  await simpleSearch(page, 'MARC21', 'en', 'computer');
  const overflow = await page.evaluate(() => document.documentElement.scrollWidth - window.innerWidth);
  assert.ok(overflow <= 0, `the page is ${overflow} px wider than the screen`);
  await screenshot(page, 'search-phone');
  await page.context().close();
});

test('no serious or critical accessibility violation on the main pages (axe-core)', async () => {
  const axe = axeSource();
  const q = (s) => encodeURIComponent(s);
  const pages = {
    home: 'C21COM=F&LNG=en',
    advanced: 'C21COM=F&PAGE=adv&LNG=ru',
    results: `C21COM=S&I21DBN=MARC21&LNG=en&S21P01=1&S21P03=K%3D&S21LOG=1&S21STR=${q('computer')}`,
    record: 'C21COM=F&I21DBN=RUSMARC&Z21MFN=1&S21FMT=fullwebr&LNG=ru',
    login: 'C21COM=F&PAGE=login&LNG=en',
    empty: `C21COM=S&I21DBN=RUSMARC&LNG=ru&S21P01=1&S21P03=K%3D&S21STR=${q('zzqqxx')}`,
    message: 'C21COM=S&I21DBN=NOSUCH',
    dictionary: `C21COM=T&I21DBN=RUSMARC&T21PRF=K%3D&T21TRM=${q('ром')}&LNG=ru`,
    authors: 'C21COM=T&I21DBN=MARC21&T21PRF=A%3D&LNG=en',
    sorted: `C21COM=S&I21DBN=MARC21&LNG=en&S21P01=1&S21P03=K%3D&S21LOG=1&S21STR=${q('computer')}&S21SRW=author`,
    marked: `C21COM=S&I21DBN=RUSMARC&LNG=ru&S21P01=1&S21P03=K%3D&S21LOG=1&S21STR=${q('литература')}&S21SRW=year`,
  };
  const problems = [];
  for (const [name, query] of Object.entries(pages)) {
    const page = await newPage();
    await page.goto(`${site.base}/cgi-bin/cgizarix64?${query}`);
    await page.addScriptTag({ content: axe });
    const result = await page.evaluate(async () =>
      // eslint-disable-next-line no-undef
      axe.run(document, { runOnly: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'best-practice'] }));
    for (const v of result.violations) {
      if (v.impact === 'serious' || v.impact === 'critical') {
        problems.push(`${name}: ${v.id} (${v.impact}) ${v.nodes.map((n) => n.target.join(' ')).join('; ')}`);
      }
    }
    await page.context().close();
  }
  assert.deepEqual(problems, []);
});
