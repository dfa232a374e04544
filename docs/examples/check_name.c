/* Is each name on the command line (in UTF-8) fit for a bank transfer's account name? */
#include <kestrune.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
    kestrune_rules* rules;
    char error[128];
    if (kestrune_rules_parse("zengin,max-bytes=30,required", &rules, error, sizeof error) != 0) {
        fprintf(stderr, "%s\n", error);
        return 2;
    }
    kestrune_result* result = kestrune_result_new();
    int failed = 0;
    for (int k = 1; k < argc; ++k) {
        kestrune_rules_check(rules, argv[k], strlen(argv[k]), KESTRUNE_UTF8, result);
        if (kestrune_result_ok(result)) {
            printf("%s: ok\n", argv[k]);
            continue;
        }
        failed = 1;
        kestrune_finding first;
        kestrune_rule_result rule = {"lost in converting", 0, 0, 0};
        kestrune_result_finding(result, 0, &first);
        if (first.rule >= 0) kestrune_result_rule(result, (size_t)first.rule, &rule);
        printf("%s: %s fails at byte %d", argv[k], rule.name, first.position);
        char fix[8];
        size_t size = 0;
        if (first.suggestion_size > 0 &&
            kestrune_cp932_to_utf8(first.suggestion, first.suggestion_size, fix, sizeof fix,
                                   &size) == KESTRUNE_OK) {
            printf(", try %.*s", (int)size, fix);
        }
        printf("\n");
    }
    kestrune_result_free(result);
    kestrune_rules_free(rules);
    return failed;
}
