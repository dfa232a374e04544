/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 The Kestrune authors; the licence is in LICENSE.
 *
 * libkestrune: Kestrune's checks of Japanese text by its code page 932 (Shift-JIS) bytes, the
 * ones kestrune-check makes, for any program that can call C.
 *
 * A text is given as code page 932 bytes, or as UTF-8 with KESTRUNE_UTF8, which is converted as
 * kestrune-check converts it: a character code page 932 lacks becomes one "?" and is reported,
 * and the text then fails. Positions are 1-based byte positions in the code page 932 text, as
 * kestrune-check prints them. Texts are at most INT_MAX bytes.
 *
 * Every function is safe to call from many threads at once. A kestrune_rules is not changed by
 * checking with it and may be shared; a kestrune_result holds one check's findings and belongs
 * to one thread at a time. Every function that can fail returns a kestrune_status, 0 on
 * success; kestrune_status_message says what a status means. Nothing is thrown.
 */
#ifndef KESTRUNE_H
#define KESTRUNE_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__) && !defined(_WIN32)
#define KESTRUNE_API __attribute__((visibility("default")))
#else
#define KESTRUNE_API
#endif

/* What a call returns: 0, or a negative number that names the failure. */
typedef enum kestrune_status {
    KESTRUNE_OK = 0,
    KESTRUNE_ERROR_ARGUMENT = -1,  /* a null pointer where one is needed, or an unknown flag */
    KESTRUNE_ERROR_OPERATION = -2, /* no operation has that name */
    KESTRUNE_ERROR_RULES = -3,     /* the rule list names no rule, or names one wrongly */
    KESTRUNE_ERROR_TOO_LONG = -4,  /* the text is longer than INT_MAX bytes */
    KESTRUNE_ERROR_MEMORY = -5,    /* memory ran out */
    KESTRUNE_ERROR_BUFFER = -6,    /* the output does not fit: *written says how much would */
    KESTRUNE_ERROR_INDEX = -7      /* no finding or rule has that index */
} kestrune_status;

/* One sentence in English for a status, such as "no operation has that name". */
KESTRUNE_API const char* kestrune_status_message(int status);

/* The library's version, such as "1.0.0": that of kestrune-check --version. */
KESTRUNE_API const char* kestrune_version(void);

/* Flags of a check, to be or'ed together. */
#define KESTRUNE_UTF8 0x1u /* the text is UTF-8, not code page 932 */
#define KESTRUNE_NO_SYMBOLS \
    0x2u                  /* the script checks take no symbols (the window's 記号を許可 off) */
#define KESTRUNE_ALL 0x4u /* every rejected position, not only the first of each rule */

/* Where a rejected character comes from, for the checks that say so ("jis", "cp932"), and what
 * converting UTF-8 lost. */
typedef enum kestrune_kind {
    KESTRUNE_KIND_NONE = 0,         /* not named: the check judges something else */
    KESTRUNE_KIND_JIS,              /* JIS X 0201 or JIS X 0208 */
    KESTRUNE_KIND_NEC_SPECIAL,      /* NEC row 13: ① Ⅰ ㍉ */
    KESTRUNE_KIND_NEC_SELECTED_IBM, /* NEC-selected IBM extensions */
    KESTRUNE_KIND_IBM_EXTENSION,    /* IBM extensions: 髙 﨑 ⅰ */
    KESTRUNE_KIND_USER_DEFINED,     /* the user-defined area (外字) */
    KESTRUNE_KIND_UNDEFINED,        /* a code code page 932 does not define */
    KESTRUNE_KIND_INVALID,          /* a lead byte with nothing that can follow it */
    KESTRUNE_KIND_NOT_IN_CP932,     /* lost in converting: a character code page 932 lacks */
    KESTRUNE_KIND_ILL_FORMED_UTF8   /* lost in converting: bytes that are not UTF-8 */
} kestrune_kind;

/* The kind's name as kestrune-check --json gives it ("nec-special"; "not-in-cp932" and
 * "ill-formed-utf-8" for what was lost), "" for KESTRUNE_KIND_NONE, NULL for no kind. */
KESTRUNE_API const char* kestrune_kind_name(int kind);

/* One check's findings. Reused from check to check, it allocates only while it grows. */
typedef struct kestrune_result kestrune_result;

/* NULL when memory runs out. */
KESTRUNE_API kestrune_result* kestrune_result_new(void);
KESTRUNE_API void kestrune_result_free(kestrune_result* result);

/* Whether every rule passed and nothing was lost in converting. */
KESTRUNE_API int kestrune_result_ok(const kestrune_result* result);
/* The first failed rule's first position (0 for one that names none, such as "required"); when
 * every rule passed, the first lost character's; 0 when the text passed. */
KESTRUNE_API int kestrune_result_position(const kestrune_result* result);
/* The code page 932 text that was checked: the one given, or the conversion of the UTF-8. */
KESTRUNE_API const char* kestrune_result_text(const kestrune_result* result, size_t* size);

/* What one rule found. */
typedef struct kestrune_rule_result {
    /* As in a rule list: "full-katakana", "max-bytes", "required"; valid as long as the
     * kestrune_rules checked with (for kestrune_check, always). */
    const char* name;
    int ok;
    int position; /* the first rejected position, 0 when it passed */
    int measured; /* a measurement's value, or the text's size in bytes for max-bytes */
} kestrune_rule_result;

/* The checks of the rule list in order (corrections such as "trim" check nothing and are
 * left out); one for kestrune_check. */
KESTRUNE_API size_t kestrune_result_rule_count(const kestrune_result* result);
KESTRUNE_API int kestrune_result_rule(const kestrune_result* result, size_t index,
                                      kestrune_rule_result* out);

/* One rejected character, one failed rule that names no position (position 0), or one
 * character lost in converting (rule -1). Its pointers stay valid until the result is used
 * again or freed. A rule's rejected "?" that stands for a lost
 * character is given as that character, with the kind of the loss and no suggestion. */
typedef struct kestrune_finding {
    int rule;            /* the index of its rule among kestrune_result_rule's; -1: lost */
    int position;        /* 1-based byte position in the code page 932 text; its "?" if lost */
    int kind;            /* a kestrune_kind */
    unsigned code_point; /* what was lost: its code point; 0 for ill-formed UTF-8 */
    /* The rejected character's code page 932 bytes; for a lost one, the UTF-8 input's bytes. */
    const char* character;
    size_t character_size;
    /* A fix that keeps the meaning exactly, in code page 932, replacing `covers` bytes from
     * `position` (a half-width kana with its voiced mark is one); size 0: none. */
    const char* suggestion;
    size_t suggestion_size;
    int covers;
} kestrune_finding;

/* The failed rules' findings in the order of the rules, then what converting lost. */
KESTRUNE_API size_t kestrune_result_finding_count(const kestrune_result* result);
KESTRUNE_API int kestrune_result_finding(const kestrune_result* result, size_t index,
                                         kestrune_finding* out);

/* Runs one operation by its kestrune-check name ("full-katakana", "jis", "zengin",
 * "byte-size", ...) over `size` bytes of `text`, with KESTRUNE_UTF8, KESTRUNE_NO_SYMBOLS and
 * KESTRUNE_ALL. On failure the result holds nothing. */
KESTRUNE_API int kestrune_check(const char* operation, const char* text, size_t size,
                                unsigned flags, kestrune_result* result);

/* A rule list as a --column rule list gives it: "full-katakana,max-bytes=40,required",
 * "no-symbols" among them for the setting. Parsed once, it may be shared between threads. */
typedef struct kestrune_rules kestrune_rules;

/* Parses the NUL-terminated list into *rules. On KESTRUNE_ERROR_RULES *rules is NULL and, where
 * `error` is not NULL, it gets a message such as "unknown rule 'katakana'", cut to fit
 * `error_size` bytes with its NUL. */
KESTRUNE_API int kestrune_rules_parse(const char* list, kestrune_rules** rules, char* error,
                                      size_t error_size);
KESTRUNE_API void kestrune_rules_free(kestrune_rules* rules);
/* The number of checks in the list, as kestrune_result_rule_count will give. */
KESTRUNE_API size_t kestrune_rules_count(const kestrune_rules* rules);
/* Checks `size` bytes of `text` by every rule of the list, in order, as kestrune-check checks
 * a column: KESTRUNE_UTF8 and KESTRUNE_ALL as for kestrune_check; KESTRUNE_NO_SYMBOLS, or
 * "no-symbols" in the list, for the script checks. */
KESTRUNE_API int kestrune_rules_check(const kestrune_rules* rules, const char* text, size_t size,
                                      unsigned flags, kestrune_result* result);

/* UTF-8 to code page 932, as KESTRUNE_UTF8 converts it, into `capacity` bytes at `out`; `size`
 * bytes always suffice. *written gets the converted size, and *lost (if not NULL) how many
 * characters became "?". With too little room nothing is written and KESTRUNE_ERROR_BUFFER says
 * so; *written then says how much is needed. */
KESTRUNE_API int kestrune_utf8_to_cp932(const char* utf8, size_t size, char* out, size_t capacity,
                                        size_t* written, size_t* lost);
/* Code page 932 to UTF-8, the same way: a byte sequence that is not valid code page 932 becomes
 * U+FFFD, one per byte. 3 * `size` bytes always suffice. */
KESTRUNE_API int kestrune_cp932_to_utf8(const char* cp932, size_t size, char* out, size_t capacity,
                                        size_t* written);

#ifdef __cplusplus
}
#endif

#endif /* KESTRUNE_H */
