#include "fields.h"

#include "analysis.h"

namespace check {

void SplitFields(std::string_view record, char delimiter, bool cp932,
                 std::vector<std::string_view>& fields) {
    fields.clear();
    std::size_t start = 0;
    for (std::size_t i = 0; i < record.size(); ++i) {
        if (record[i] == delimiter) {
            fields.push_back(record.substr(start, i - start));
            start = i + 1;
        } else if (cp932 && IsLeadByte(static_cast<unsigned char>(record[i]))) {
            ++i;
        }
    }
    fields.push_back(record.substr(start));
}

}  // namespace check
