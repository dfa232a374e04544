/* libkestrune through kestrune.h alone, as a C program calls it: one table of operations and
 * rule lists with what they find, a table of misuse with its status, properties over generated
 * texts, and the table again from several threads at once. */
#define _POSIX_C_SOURCE 200809L
#include <kestrune.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define T(bytes) bytes, sizeof(bytes) - 1
#define NO -1 /* no suggestion */

static int failures = 0;

static void Hex(const char* what, const char* bytes, size_t size) {
    fprintf(stderr, "  %s:", what);
    for (size_t k = 0; k < size; ++k) fprintf(stderr, " %02X", (unsigned char)bytes[k]);
    fprintf(stderr, "\n");
}

#define EXPECT(condition, name, text, size)                                                  \
    do {                                                                                     \
        if (!(condition)) {                                                                  \
            fprintf(stderr, "%s:%d: %s: %s failed\n", __FILE__, __LINE__, name, #condition); \
            Hex("text", text, size);                                                         \
            ++failures;                                                                      \
        }                                                                                    \
    } while (0)

struct Row {
    const char* name;
    const char* check; /* an operation, or with list set a rule list */
    int list;
    const char* text;
    size_t size;
    unsigned flags;
    int ok, position, findings;
    int kind;               /* of the first finding */
    const char* suggestion; /* of the first finding, code page 932; NULL: none */
    int measured;           /* of the first rule; -1: not looked at */
};

/* clang-format off */
static const struct Row kRows[] = {
    /* the window's script checks */
    {"katakana passes", "full-katakana", 0, T("\x83\x41\x83\x43"), 0, 1, 0, 0, 0, NULL, -1},  /* アイ */
    {"voiced half-width kana as one fix", "full-katakana", 0, T("\x83\x84\x83\x7D\xC0\xDE"), 0,  /* ヤマﾀﾞ */
     0, 5, 1, KESTRUNE_KIND_NONE, "\x83\x5F", -1},                                          /* ダ */
    {"every position with all", "full-katakana", 0, T("a\x83\x41" "b"), KESTRUNE_ALL,         /* aアb */
     0, 1, 2, KESTRUNE_KIND_NONE, NULL, -1},
    {"symbols allowed", "half-digits", 0, T("123-4567"), 0, 1, 0, 0, 0, NULL, -1},
    {"symbols not allowed", "half-digits", 0, T("123-4567"), KESTRUNE_NO_SYMBOLS,
     0, 4, 1, KESTRUNE_KIND_NONE, NULL, -1},
    {"byte size measures", "byte-size", 0, T("\x83\x41z"), 0, 1, 0, 0, 0, NULL, 3},
    {"char count measures", "char-count", 0, T("\x83\x41z"), 0, 1, 0, 0, 0, NULL, 2},
    /* where a character comes from */
    {"NEC special with its JIS twin", "jis", 0, T("a\x87\x9A"), 0,                           /* a∵ */
     0, 2, 1, KESTRUNE_KIND_NEC_SPECIAL, "\x81\xE6", -1},
    {"IBM extension has no fix", "jis", 0, T("\xFB\xFC"), 0,                                 /* 髙 */
     0, 1, 1, KESTRUNE_KIND_IBM_EXTENSION, NULL, -1},
    {"user-defined", "cp932", 0, T("\x8A\x94\xF0\x40"), 0,                                   /* 株 外字 */
     0, 3, 1, KESTRUNE_KIND_USER_DEFINED, NULL, -1},
    {"undefined single byte", "cp932", 0, T("\x80"), 0, 0, 1, 1, KESTRUNE_KIND_UNDEFINED, NULL, -1},
    {"a lead byte that ends the text", "jis", 0, T("ab\x81"), 0, 0, 3, 1, KESTRUNE_KIND_INVALID, NULL, -1},
    {"vendor characters pass cp932", "cp932", 0, T("\x87\x40\xFB\xFC"), 0, 1, 0, 0, 0, NULL, -1},
    /* the bank set */
    {"small kana has no fix", "zengin", 0, T("\xB6)\xB7\xAC\xDD"), 0, 0, 4, 1, KESTRUNE_KIND_NONE, NULL, -1},
    {"lower case gets the capital", "zengin", 0, T("Suzuki"), 0, 0, 2, 1, KESTRUNE_KIND_NONE, "U", -1},
    /* UTF-8 in */
    {"UTF-8 katakana passes", "full-katakana", 0, T("\xE3\x82\xA2\xE3\x82\xA4"), KESTRUNE_UTF8,  /* アイ */
     1, 0, 0, 0, NULL, -1},
    {"an emoji is lost and its ? rejected", "full-katakana", 0, T("\xE3\x82\xA2\xF0\x9F\x98\x80"),
     KESTRUNE_UTF8, 0, 3, 2, KESTRUNE_KIND_NOT_IN_CP932, NULL, -1},
    {"a lost character fails a check that passes", "half-width", 0, T("a\xED"), KESTRUNE_UTF8,
     0, 2, 1, KESTRUNE_KIND_ILL_FORMED_UTF8, NULL, -1},
    {"UTF-8 vendor character", "jis", 0, T("\xE2\x91\xA0"), KESTRUNE_UTF8,                    /* ① */
     0, 1, 1, KESTRUNE_KIND_NEC_SPECIAL, NULL, -1},
    /* rule lists */
    {"a limit cuts before a whole character", "max-bytes=5,full-katakana,required", 1,
     T("\x83\x41\x83\x43\x83\x45"), 0, 0, 5, 1, KESTRUNE_KIND_NONE, NULL, 6},                  /* アイウ */
    {"the first failed rule gives the position", "max-bytes=1,full-katakana", 1, T("\x83\x41z"),
     0, 0, 1, 2, KESTRUNE_KIND_NONE, NULL, 3},
    {"required names no position", "required", 1, T(""), 0, 0, 0, 1, KESTRUNE_KIND_NONE, NULL, -1},
    {"no-symbols in the list", "half-katakana,no-symbols", 1, T("\xB1-"), 0,                 /* ｱ- */
     0, 2, 1, KESTRUNE_KIND_NONE, NULL, -1},
    {"a correction checks nothing", "zengin,fold-small-kana", 1, T("\xB1\xAF"), 0,            /* ｱｯ */
     0, 2, 1, KESTRUNE_KIND_NONE, NULL, -1},
    {"field rules", "zero-filled,equals=00120", 1, T("0012 "), 0, 0, 5, 2, KESTRUNE_KIND_NONE, NULL, -1},
};
/* clang-format on */
#define ROWS (sizeof kRows / sizeof kRows[0])

/* Runs one row; returns the number of differences, saying what differed when `say`. */
static int RunRow(const struct Row* row, kestrune_result* result, int say) {
    int bad = 0;
    int status;
    if (row->list) {
        kestrune_rules* rules = NULL;
        status = kestrune_rules_parse(row->check, &rules, NULL, 0);
        if (status == KESTRUNE_OK)
            status = kestrune_rules_check(rules, row->text, row->size, row->flags, result);
        kestrune_rules_free(rules);
    } else {
        status = kestrune_check(row->check, row->text, row->size, row->flags, result);
    }
    kestrune_finding first = {0};
    kestrune_rule_result rule = {0};
    const int found = (int)kestrune_result_finding_count(result);
    if (found > 0) kestrune_result_finding(result, 0, &first);
    kestrune_result_rule(result, 0, &rule);
    const int suggested = row->suggestion != NULL;
    const int checks[] = {
        status == KESTRUNE_OK,
        kestrune_result_ok(result) == row->ok,
        kestrune_result_position(result) == row->position,
        found == row->findings,
        found == 0 || first.kind == row->kind,
        found == 0 || (int)first.suggestion_size == (suggested ? (int)strlen(row->suggestion) : 0),
        !suggested || memcmp(first.suggestion, row->suggestion, first.suggestion_size) == 0,
        row->measured < 0 || rule.measured == row->measured,
    };
    for (size_t k = 0; k < sizeof checks / sizeof checks[0]; ++k) {
        if (checks[k]) continue;
        ++bad;
        if (!say) continue;
        fprintf(stderr, "%s: check %zu differs: status %d ok %d position %d findings %d kind %d\n",
                row->name, k, status, kestrune_result_ok(result), kestrune_result_position(result),
                found, first.kind);
        Hex("text", row->text, row->size);
        if (found > 0) Hex("suggestion", first.suggestion, first.suggestion_size);
    }
    return bad;
}

struct Misuse {
    const char* name;
    int status, expected;
};

static void Misuses(kestrune_result* result) {
    kestrune_rules* rules = (kestrune_rules*)1;
    char error[64] = "";
    char small[2];
    size_t written = 0;
    const struct Misuse table[] = {
        {"an unknown operation", kestrune_check("katakana", T("a"), 0, result),
         KESTRUNE_ERROR_OPERATION},
        {"an unknown flag", kestrune_check("jis", T("a"), 0x100, result), KESTRUNE_ERROR_ARGUMENT},
        {"no result", kestrune_check("jis", T("a"), 0, NULL), KESTRUNE_ERROR_ARGUMENT},
        {"no text but a size", kestrune_check("jis", NULL, 3, 0, result), KESTRUNE_ERROR_ARGUMENT},
        {"an empty text may be NULL", kestrune_check("jis", NULL, 0, 0, result), KESTRUNE_OK},
        {"too long", kestrune_check("jis", "a", (size_t)1 << 31, 0, result),
         KESTRUNE_ERROR_TOO_LONG},
        {"an unknown rule", kestrune_rules_parse("jis,kana", &rules, error, sizeof error),
         KESTRUNE_ERROR_RULES},
        {"a limit of 0", kestrune_rules_parse("max-bytes=0", &rules, NULL, 0),
         KESTRUNE_ERROR_RULES},
        {"truncate without a limit", kestrune_rules_parse("truncate", &rules, NULL, 0),
         KESTRUNE_ERROR_RULES},
        {"an empty list", kestrune_rules_parse("", &rules, NULL, 0), KESTRUNE_ERROR_RULES},
        {"an empty rule", kestrune_rules_parse("jis,,zengin", &rules, NULL, 0),
         KESTRUNE_ERROR_RULES},
        {"no rules to check with", kestrune_rules_check(NULL, T("a"), 0, result),
         KESTRUNE_ERROR_ARGUMENT},
        {"a buffer too small", kestrune_utf8_to_cp932(T("\xE3\x82\xA2z"), small, 2, &written, NULL),
         KESTRUNE_ERROR_BUFFER},
        {"no finding there", kestrune_result_finding(result, 99, &(kestrune_finding){0}),
         KESTRUNE_ERROR_INDEX},
    };
    for (size_t k = 0; k < sizeof table / sizeof table[0]; ++k) {
        EXPECT(table[k].status == table[k].expected, table[k].name, "", 0);
        EXPECT(strcmp(kestrune_status_message(table[k].status), "unknown status") != 0,
               table[k].name, "", 0);
    }
    EXPECT(rules == NULL, "a failed parse leaves no rules", "", 0);
    EXPECT(strstr(error, "'kana'") != NULL, "the message names the rule", error, strlen(error));
    EXPECT(written == 3, "the size needed is told", "", 0);
}

/* Character starts by the lead-byte rule, worked out here rather than asked of the library. */
static int IsStart(const unsigned char* text, size_t at) {
    size_t k = 0;
    while (k < at) k += ((text[k] >= 0x80 && text[k] <= 0x9F) || text[k] >= 0xE0) ? 2 : 1;
    return k == at;
}

/* Over generated texts: an operation and the one-rule list say the same; the result's verdict
 * and position agree with its findings, each a character start inside the text whose bytes it
 * gives; the first of every position is the first position. */
static void Properties(kestrune_result* all, kestrune_result* first) {
    static const char* const kOps[] = {"full-width",    "half-width", "full-hiragana",
                                       "full-katakana", "full-alnum", "half-katakana",
                                       "half-digits",   "half-alnum", "jis",
                                       "cp932",         "zengin"};
    static const unsigned char kBytes[] = {0x20, 0x2D, 0x30, 0x41, 0x61, 0x80, 0x81, 0x82, 0x83,
                                           0x87, 0x9A, 0x9F, 0xA0, 0xA6, 0xB1, 0xDE, 0xE0, 0xED,
                                           0xF0, 0xFB, 0xFC, 0xFD, 0x40, 0x5F, 0x7F, 0xA9, 0x4A};
    unsigned long seed = 2026;
    for (int n = 0; n < 4000; ++n) {
        unsigned char text[16];
        seed = seed * 6364136223846793005UL + 1442695040888963407UL;
        const size_t size = (seed >> 33) % sizeof text;
        for (size_t k = 0; k < size; ++k) {
            seed = seed * 6364136223846793005UL + 1442695040888963407UL;
            text[k] = kBytes[(seed >> 33) % sizeof kBytes];
        }
        const char* op = kOps[n % (sizeof kOps / sizeof kOps[0])];
        const char* t = (const char*)text;
        kestrune_rules* rules = NULL;
        kestrune_rules_parse(op, &rules, NULL, 0);
        kestrune_check(op, t, size, KESTRUNE_ALL, all);
        kestrune_rules_check(rules, t, size, 0, first);
        kestrune_rules_free(rules);
        const size_t count = kestrune_result_finding_count(all);
        EXPECT(kestrune_result_ok(all) == (count == 0), op, t, size);
        EXPECT(kestrune_result_ok(first) == kestrune_result_ok(all), op, t, size);
        EXPECT(kestrune_result_position(first) == kestrune_result_position(all), op, t, size);
        EXPECT(kestrune_result_finding_count(first) == (count > 0), op, t, size);
        int last = 0;
        for (size_t k = 0; k < count; ++k) {
            kestrune_finding f;
            kestrune_result_finding(all, k, &f);
            const size_t at = (size_t)f.position - 1;
            EXPECT(f.position > last && at < size && IsStart(text, at), op, t, size);
            EXPECT(
                at + f.character_size <= size && memcmp(f.character, t + at, f.character_size) == 0,
                op, t, size);
            if (k == 0) EXPECT(f.position == kestrune_result_position(all), op, t, size);
            last = f.position;
        }
    }
}

static size_t PutUtf8(unsigned c, char* out) {
    if (c < 0x80) return out[0] = (char)c, 1;
    if (c < 0x800) return out[0] = (char)(0xC0 | c >> 6), out[1] = (char)(0x80 | (c & 0x3F)), 2;
    if (c < 0x10000) {
        out[0] = (char)(0xE0 | c >> 12), out[1] = (char)(0x80 | (c >> 6 & 0x3F));
        return out[2] = (char)(0x80 | (c & 0x3F)), 3;
    }
    out[0] = (char)(0xF0 | c >> 18), out[1] = (char)(0x80 | (c >> 12 & 0x3F));
    return out[2] = (char)(0x80 | (c >> 6 & 0x3F)), out[3] = (char)(0x80 | (c & 0x3F)), 4;
}

/* A rule list over UTF-8 says what it says over the same text converted first: the lists whose
 * checks lie in one block of code points take UTF-8 made of that block unconverted. Code points
 * from both blocks, where code page 932 has some of them in one byte (ｱ) or none (U+30FF). */
static void Utf8AsConverted(kestrune_result* utf8, kestrune_result* cp932) {
    static const char* const kLists[] = {"full-katakana", "full-katakana,max-bytes=7,required",
                                         "full-hiragana,no-symbols", "full-alnum,max-bytes=4",
                                         "required,full-alnum,full-width"};
    unsigned long seed = 932;
    for (int n = 0; n < 6000; ++n) {
        char text[64], converted[64];
        size_t size = 0, written = 0, lost = 0;
        seed = seed * 6364136223846793005UL + 1442695040888963407UL;
        const int count = (int)((seed >> 33) % 6);
        for (int k = 0; k < count; ++k) {
            seed = seed * 6364136223846793005UL + 1442695040888963407UL;
            const unsigned r = (unsigned)(seed >> 33);
            const unsigned c = r % 16 == 0 ? 0x61 : (r % 2 ? 0x3000 : 0xFF00) + (r >> 8) % 256;
            size += PutUtf8(c, text + size);
        }
        kestrune_utf8_to_cp932(text, size, converted, sizeof converted, &written, &lost);
        if (lost > 0) continue;
        const char* list = kLists[n % (sizeof kLists / sizeof kLists[0])];
        kestrune_rules* rules = NULL;
        kestrune_rules_parse(list, &rules, NULL, 0);
        kestrune_rules_check(rules, text, size, KESTRUNE_UTF8, utf8);
        kestrune_rules_check(rules, converted, written, 0, cp932);
        size_t checked = 0;
        const char* bytes = kestrune_result_text(utf8, &checked);
        EXPECT(checked == written && memcmp(bytes, converted, written) == 0, list, text, size);
        EXPECT(kestrune_result_ok(utf8) == kestrune_result_ok(cp932), list, text, size);
        EXPECT(kestrune_result_position(utf8) == kestrune_result_position(cp932), list, text, size);
        EXPECT(kestrune_result_finding_count(utf8) == kestrune_result_finding_count(cp932), list,
               text, size);
        for (size_t k = 0; k < kestrune_rules_count(rules); ++k) {
            kestrune_rule_result a, b;
            kestrune_result_rule(utf8, k, &a);
            kestrune_result_rule(cp932, k, &b);
            EXPECT(a.ok == b.ok && a.position == b.position && a.measured == b.measured &&
                       strcmp(a.name, b.name) == 0,
                   list, text, size);
        }
        kestrune_rules_free(rules);
    }
}

static void Conversions(void) {
    /* カナ漢字 ｶﾅ ① in UTF-8 and in code page 932 */
    static const char utf8[] =
        "\xE3\x82\xAB\xE3\x83\x8A\xE6\xBC\xA2\xE5\xAD\x97\xEF\xBD\xB6\xEF\xBE\x85\xE2\x91\xA0";
    static const char cp932[] = "\x83\x4A\x83\x69\x8A\xBF\x8E\x9A\xB6\xC5\x87\x40";
    char out[64];
    size_t written = 0, lost = 9;
    EXPECT(kestrune_utf8_to_cp932(T(utf8), out, sizeof out, &written, &lost) == KESTRUNE_OK,
           "to cp932", utf8, 0);
    EXPECT(written == sizeof cp932 - 1 && memcmp(out, cp932, written) == 0 && lost == 0, "to cp932",
           out, written);
    EXPECT(kestrune_cp932_to_utf8(T(cp932), out, sizeof out, &written) == KESTRUNE_OK, "to UTF-8",
           cp932, 0);
    EXPECT(written == sizeof utf8 - 1 && memcmp(out, utf8, written) == 0, "to UTF-8", out, written);
    EXPECT(kestrune_utf8_to_cp932(T("a\xF0\x9F\x98\x80"), out, sizeof out, &written, &lost) ==
                   KESTRUNE_OK &&
               written == 2 && memcmp(out, "a?", 2) == 0 && lost == 1,
           "a lost emoji", out, written);
}

static void* Repeat(void* bad) {
    kestrune_result* result = kestrune_result_new();
    for (int n = 0; n < 300; ++n) {
        for (size_t k = 0; k < ROWS; ++k) *(int*)bad += RunRow(&kRows[k], result, 0);
    }
    kestrune_result_free(result);
    return NULL;
}

int main(void) {
    kestrune_result* result = kestrune_result_new();
    kestrune_result* other = kestrune_result_new();
    for (size_t k = 0; k < ROWS; ++k) failures += RunRow(&kRows[k], result, 1);
    Misuses(result);
    Properties(result, other);
    Utf8AsConverted(result, other);
    Conversions();
    EXPECT(strcmp(kestrune_kind_name(KESTRUNE_KIND_NEC_SPECIAL), "nec-special") == 0 &&
               kestrune_kind_name(99) == NULL,
           "kind names", "", 0);
    EXPECT(kestrune_version()[0] >= '1', "a version", "", 0);
    /* The same rows from four threads at once: nothing is shared between calls. */
    pthread_t threads[4];
    int bad[4] = {0};
    for (int k = 0; k < 4; ++k) pthread_create(&threads[k], NULL, Repeat, &bad[k]);
    for (int k = 0; k < 4; ++k) {
        pthread_join(threads[k], NULL);
        EXPECT(bad[k] == 0, "the rows from threads", "", 0);
    }
    kestrune_result_free(other);
    kestrune_result_free(result);
    printf("%d passed, %d failed\n", failures == 0 ? 1 : 0, failures);
    return failures == 0 ? 0 : 1;
}
