// The Decoder of source.h, apart from the reading so that the library can convert as
// kestrune-check does without the platform unit.
#include "source.h"

namespace check {

std::string_view Decoder::Converted(std::string_view text, std::string& storage,
                                    std::vector<LostCharacter>& lost) {
    lost.clear();
    Utf8ToCp932(text, storage, &lost);
    return storage;
}

std::string Decoder::Name(std::string_view field) const {
    return utf8_ ? Utf8ToCp932(field) : std::string(field);
}

bool Decoder::Names(std::string_view field, std::string_view wanted) const {
    return field == wanted || (!utf8_ && Cp932ToUtf8(field) == wanted);
}

}  // namespace check
