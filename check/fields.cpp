#include "fields.h"

#include "analysis.h"

namespace check {

std::string_view Field(std::string_view record, int n, char delimiter, bool cp932) {
    std::size_t start = 0;
    int index = 1;
    for (std::size_t i = 0; i < record.size(); ++i) {
        if (record[i] == delimiter) {
            if (index == n) return record.substr(start, i - start);
            ++index;
            start = i + 1;
        } else if (cp932 && IsLeadByte(static_cast<unsigned char>(record[i]))) {
            ++i;
        }
    }
    return index == n ? record.substr(start) : std::string_view();
}

}  // namespace check
