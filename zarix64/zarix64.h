/* The C interface of libzarix64.so, the catalogue's database engine.
 *
 * Work happens in a *space* (Zarixinit): one open database, record shelves 0..kZarixShelves-1,
 * the current term and posting of a dictionary walk, a compiled format and the formatted-text
 * result. Spaces are small integer handles (never pointers): a stale or wrong handle gives
 * ZARIX_ERR_BAD_SPACE instead of a crash.
 *
 * Conventions of every function below:
 *  - Text is UTF-8, zero-terminated. A null `const char*` argument counts as "".
 *  - Results are int: 0 or a count on success, a negative engine code on failure (the codes
 *    below; they go unchanged to pages and logs).
 *  - Functions that give text either fill a caller buffer with its capacity `cap` in bytes
 *    (always zero-terminated, cut on a UTF-8 character boundary) or return a `const char*`
 *    owned by the space, valid until the next call on the same space (never null).
 *  - Field indexes (Zarixfieldn, Zarixfield, Zarixfldtag, Zarixfldrep) count from 1 in record
 *    order; Zarixfieldn returns 0 when the field is absent.
 *  - A space is used by one thread at a time; different spaces may be used by different threads.
 */
#ifndef ZARIX64_ZARIX64_H_
#define ZARIX64_ZARIX64_H_

#if defined(ZARIX64_BUILDING)
#define ZARIX_API __attribute__((visibility("default")))
#else
#define ZARIX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Codes ---- */
#define ZARIX_OK 0
#define ZARIX_REC_DELETED (-603)     /* ZarixRecord: read, logically deleted */
#define ZARIX_REC_NOT_INDEXED (-602) /* ZarixRecord: read, waits for indexing */
#define ZARIX_MFN_OUT_OF_RANGE (-140) /* MFN outside 1 .. Zarixmaxmfn()-1 */
#define ZARIX_NO_RECORD (-600)       /* MFN in range, never written */
#define ZARIX_DB_LOCKED (-300)       /* an administrator holds the database */
#define ZARIX_VERSION_CONFLICT (-607) /* the record was changed by another writer since read */
#define ZARIX_END (-1)               /* end of the dictionary or of a posting walk */
/* -801 .. -849: errors of the format language (Zarix_InitPFT, Zarix_Format). */
#define ZARIX_ERR_NOT_OPEN (-900)    /* no database (or no inverted file) open in the space */
#define ZARIX_ERR_OPEN (-901)        /* files missing, unreadable or not ours */
#define ZARIX_ERR_IO (-902)
#define ZARIX_ERR_BUSY (-903)        /* another process held the write lock too long */
#define ZARIX_ERR_CORRUPT (-904)
#define ZARIX_ERR_ARGUMENT (-905)    /* bad shelf, field index, tag, MFN or buffer */
#define ZARIX_ERR_FORMAT (-906)      /* no compiled format in the space */
#define ZARIX_ERR_BAD_SPACE (-907)   /* not a space handle of this process */

#define ZARIX_SHELVES 8  /* shelves per space: 0 .. 7 */
#define ZARIX_MAX_TERM 254 /* bytes of a term, without the terminating zero */

/* ---- Process set-up (once per process, before the spaces) ---- */

/* Loads the upper-case table `uctab` and the alphabet table `actab` from the folder
 * `zarixpath` (file "<zarixpath><name>", else "<zarixpath><name>.tab"; see
 * doc/engine_storage.md). A missing or empty name or file keeps the built-in Windows-1251
 * table. `reserved` is ignored. `datapath` is remembered as the data folder. Returns 0. */
ZARIX_API int zarix_uatab_init(const char* uctab, const char* reserved, const char* actab,
                               const char* zarixpath, const char* datapath);
/* Remembers the deposit folder: the last place `@name` formats are looked for. Returns 0. */
ZARIX_API int zarix_init_DepositPath(const char* path);
/* Process options. Accepted and remembered; they change nothing in this engine. Returns 0. */
ZARIX_API int zarix_set_options(int option1, int option2, int option3);
/* Remembers the configuration file name. Returns 0. */
ZARIX_API int zarix_MainIni_Init(const char* ini_file);
/* Writes the interface version "2020" into buf (cap bytes). Returns 0, or ZARIX_ERR_ARGUMENT
 * when buf is null or cap < 5. */
ZARIX_API int ZarixDLLVersion(char* buf, int cap);

/* ---- Spaces and databases ---- */

/* A new space (> 0), or 0 when none can be made. */
ZARIX_API int Zarixinit(void);
/* Gives the space the process-wide tables of zarix_uatab_init. Returns 0. */
ZARIX_API int ZarixInitUACTAB(int space);
/* Closes the space's database and frees the space. Returns 0. */
ZARIX_API int Zarixclose(int space);
/* Opens the master file "<prefix>.mst" (prefix = master path + database name) in the space,
 * closing any database open before. `mode` (3, 5, ...) is accepted; every mode opens for
 * reading and writing. The file must exist. Returns 0 or ZARIX_ERR_OPEN. */
ZARIX_API int Zarixinitmst(int space, const char* prefix, int mode);
/* Opens the inverted file "<prefix>.ifp" of the database opened by Zarixinitmst. The file must
 * exist. Until it is open, writes store records as "not yet indexed" and term walks find
 * nothing. Returns 0, ZARIX_ERR_NOT_OPEN or ZARIX_ERR_OPEN. */
ZARIX_API int Zarixinitterm(int space, const char* prefix);
/* Sets up term extraction for the space: a non-empty `actab` loads that alphabet table (as
 * zarix_uatab_init does) for this space only. A non-empty `parameter_dir` becomes the folder of
 * the database's .fst, .stw and format files (default: the master file's folder); `path2`,
 * `flag` and `reserved` are ignored. Returns 0, or ZARIX_ERR_NOT_OPEN. */
ZARIX_API int ZarixInitInvContext(int space, const char* parameter_dir, const char* path2,
                                  int flag, const char* actab, const char* reserved);
/* The next MFN to give: highest MFN + 1, so records are 1 .. Zarixmaxmfn()-1 (1 when empty).
 * Negative on failure. */
ZARIX_API int Zarixmaxmfn(int space);
/* ZARIX_DB_LOCKED while an administrator holds the database (zarix-admin lock), else 0. */
ZARIX_API int ZarixIsDBLocked(int space);
/* Removes every record and term of the database; MFNs restart at 1. `wait_seconds` is
 * accepted; the engine's own busy timeout (10 s) applies. Returns 0, ZARIX_DB_LOCKED,
 * ZARIX_ERR_BUSY, ... */
ZARIX_API int ZarixDBEmptyTime(int space, int wait_seconds);

/* ---- Records on shelves ---- */

/* Reads record `mfn` into `shelf`. Returns 0, ZARIX_REC_DELETED or ZARIX_REC_NOT_INDEXED (the
 * record was read), ZARIX_MFN_OUT_OF_RANGE or ZARIX_NO_RECORD (the shelf is then empty with
 * MFN 0), or another negative code. */
ZARIX_API int ZarixRecord(int space, int shelf, int mfn);
/* Reads the stored form of the shelf's own MFN again, dropping unsaved changes. Results as
 * ZarixRecord; ZARIX_NO_RECORD when the shelf's MFN is 0. */
ZARIX_API int ZarixRecordBack(int space, int shelf);
/* Empties the shelf: no fields, MFN 0, version 0, no GUID. Returns 0. */
ZARIX_API int Zarixnewrec(int space, int shelf);
/* The shelf record's MFN (0 for a record never written). */
ZARIX_API int Zarixmfn(int space, int shelf);
/* Gives the shelf record MFN `mfn` (>= 0); the next write then replaces or creates that record.
 * Returns 0 or ZARIX_ERR_ARGUMENT. */
ZARIX_API int Zarixchangemfn(int space, int shelf, int mfn);
/* The stored version of record `mfn` (0 when there is none), negative on failure. */
ZARIX_API int ZarixReadVersion(int space, int mfn);
/* Sets the shelf record's version (as ZarixReadVersion gave it), so that the next write
 * replaces the stored record only if nobody changed it meanwhile; 0 switches the check off.
 * Returns 0. */
ZARIX_API int ZarixSetVersion(int space, int shelf, int version);
/* Marks the shelf record logically deleted (written by the next Zarix*Update call). Returns 0. */
ZARIX_API int Zarixrecdel(int space, int shelf);
/* Copies the shelf record's GUID into buf ("" when it has none yet). Returns 0. */
ZARIX_API int ZarixGetGuid(int space, int shelf, char* buf, int cap);
/* Sets the shelf record's GUID (kept by the next write). Returns 0. */
ZARIX_API int ZarixSetGuid(int space, int shelf, const char* guid);

/* Number of fields of the shelf record. */
ZARIX_API int Zarixnfields(int space, int shelf);
/* Number of occurrences of `tag`. */
ZARIX_API int Zarixnocc(int space, int shelf, int tag);
/* Index (from 1) of the `occurrence`-th (from 1) field tagged `tag`, 0 when absent. */
ZARIX_API int Zarixfieldn(int space, int shelf, int tag, int occurrence);
/* Tag of field `index`, 0 when there is no such field. */
ZARIX_API int Zarixfldtag(int space, int shelf, int index);
/* Text of field `index`: with an empty `option` the whole text; with a subfield code (first
 * character of `option`, case-insensitive) the text of that subfield, from after "^" + code to
 * the next "^". "" when the field or subfield is absent. The pointer stays valid until the
 * next change of the shelf or the next Zarixfield call on the space. */
ZARIX_API const char* Zarixfield(int space, int shelf, int index, const char* option);
/* Appends a field. `reserved` is accepted and ignored (fields always go to the end). Returns
 * the new field's index, or ZARIX_ERR_ARGUMENT for a tag < 1. */
ZARIX_API int Zarixfldadd(int space, int shelf, int tag, const char* text, int reserved);
/* Replaces the text of field `index`; an empty text removes the field. Returns 0 or
 * ZARIX_ERR_ARGUMENT. */
ZARIX_API int Zarixfldrep(int space, int shelf, int index, const char* text);
/* Removes all fields (the header stays). Returns 0. */
ZARIX_API int Zarixfldempty(int space, int shelf);

/* ---- Writing ---- */

/* Writes the shelf record: MFN 0 makes a new record with the next MFN (the shelf then holds
 * it), a positive MFN replaces or creates that record. A non-zero shelf version that differs
 * from the stored one fails with ZARIX_VERSION_CONFLICT. With `update_index` != 0 the inverted
 * file is updated in the same transaction, otherwise the record is stored "not yet indexed".
 * Sets the update time. `reserved1`, `reserved2` are ignored; *status (may be null) gets the
 * result, *mfn_out (may be null) the record's MFN. Returns 0 or a negative code. */
ZARIX_API int ZarixRecUpdateTime(int space, int shelf, int reserved1, int update_index,
                                 int reserved2, int* status, int* mfn_out);
/* ZarixRecUpdateTime(space, shelf, 0, update_index, 0, NULL, NULL). */
ZARIX_API int ZarixRecUpdate0(int space, int shelf, int update_index);
/* Updates the inverted file for record `mfn` (> 0) if it waits for indexing, or with `mfn` 0
 * for every record that waits. `shelf` is ignored. Returns 0 or a negative code. */
ZARIX_API int ZarixRecIfUpdate0(int space, int shelf, int mfn);

/* ---- Terms and postings ---- */

/* Positions the dictionary walk at the first term >= `term` (bytes, compared as given: the
 * caller upper-cases; longer than ZARIX_MAX_TERM bytes is cut) and starts the posting walk of
 * that term. `term` is read first, then the term reached is written back into it with capacity
 * `cap` (cap 0: not written back). Returns 0 when the term exists exactly, 1 when the walk
 * stands on a following term, ZARIX_END when no term follows. */
ZARIX_API int Zarixfind(int space, char* term, int cap);
/* Steps the dictionary walk one term forward / back and writes the term reached into buf.
 * Returns 0, or ZARIX_END off either end (buf then ""). Zarixprevterm after a Zarixfind that
 * reached the end gives the last term. Each step starts the posting walk of the new term. */
ZARIX_API int Zarixnxtterm(int space, char* buf, int cap);
ZARIX_API int Zarixprevterm(int space, char* buf, int cap);
/* Copies the current term into buf. Returns 0 or ZARIX_END when the walk stands nowhere. */
ZARIX_API int Zarixterm(int space, char* buf, int cap);
/* Number of postings of the current term (0 when none). */
ZARIX_API int Zarixnposts(int space);
/* Restarts the posting walk of the current term before its first posting. Returns 0. */
ZARIX_API int Zarixinitpost(int space);
/* Moves to the next posting (the first after Zarixfind/Zarixinitpost). Returns 0 while a
 * posting is current, ZARIX_END after the last. Postings come in ascending (MFN, tag,
 * occurrence, position) order. */
ZARIX_API int Zarixnxtpost(int space);
/* Part `what` of the current posting: 1 MFN, 2 tag, 3 occurrence, 4 word position (0 for a
 * whole-line term). ZARIX_END when no posting is current, ZARIX_ERR_ARGUMENT for another
 * `what`. */
ZARIX_API int Zarixposting(int space, int what);

/* ---- Formats ---- */

/* Compiles `format` for the following Zarix_Format calls of the space. A format beginning with
 * "@" names a file (".pft" added when the name has no extension), looked for as written, then
 * in the database's parameter folder, then in the deposit folder. Returns 0, or the negative
 * compile error code (ZarixLastMessage gives "position: message"). */
ZARIX_API int Zarix_InitPFT(int space, const char* format);
/* Runs the compiled format on the shelf record into the space's result text (see
 * Zarix_FormatResult). `reserved` (1) and `caller` ("ZARIX64") are ignored; `mode` 1 gives the
 * output as produced, 2 without empty lines and outer blanks; either may be combined with
 * ZARIX_FORMAT_PAGE_TEXT (output for a web page: record data HTML-escaped, the format's literals
 * as written, so no markup or page directive can come from a record); the output is cut to `capacity`
 * bytes (32000 when <= 0) on a character boundary. Returns the result's length in bytes, or a
 * negative run-time error code (the result then holds the error text), or ZARIX_ERR_FORMAT
 * when no format was compiled. */
#define ZARIX_FORMAT_PAGE_TEXT 0x100
ZARIX_API int Zarix_Format(int space, int shelf, int reserved, int mode, int capacity,
                           const char* caller);
/* The space's formatted-text result of the last Zarix_Format ("" before the first). Valid
 * until the next Zarix_Format or Zarixclose of the space. */
ZARIX_API const char* Zarix_FormatResult(int space);
/* The message of the space's last failure ("" when none). */
ZARIX_API const char* ZarixLastMessage(int space);

#ifdef __cplusplus
}  /* extern "C" */
#endif

#endif  /* ZARIX64_ZARIX64_H_ */
