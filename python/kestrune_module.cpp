// SPDX-License-Identifier: MIT
// The Python module kestrune: libkestrune's C interface for Python and pandas. A str is UTF-8
// converted as kestrune-check converts it, bytes are code page 932; positions are byte
// positions in code page 932, as kestrune-check prints them. The work runs without the GIL.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "kestrune.h"

namespace py = pybind11;

namespace {

using ResultPtr = std::unique_ptr<kestrune_result, decltype(&kestrune_result_free)>;

ResultPtr NewResult() {
    ResultPtr result(kestrune_result_new(), &kestrune_result_free);
    if (!result) throw std::bad_alloc();
    return result;
}

// A status that is not success, as the Python exception a caller expects.
void Raise(int status, const std::string& detail = {}) {
    const std::string message = detail.empty() ? kestrune_status_message(status) : detail;
    if (status == KESTRUNE_ERROR_MEMORY) throw std::bad_alloc();
    throw py::value_error(message);
}

std::string Utf8(const char* cp932, std::size_t size) {
    std::string out(3 * size, '\0');
    std::size_t written = 0;
    if (kestrune_cp932_to_utf8(cp932, size, out.data(), out.size(), &written) != KESTRUNE_OK) {
        throw std::bad_alloc();
    }
    out.resize(written);
    return out;
}

// A text to check, as the object holds it: bytes (code page 932), or a str's code points of
// `width` bytes each, read in place so that no UTF-8 copy is made with the GIL held (a str is
// immutable, and the caller keeps it alive). None and NaN, pandas' missing values, are the
// empty text, as an empty CSV field is to kestrune-check.
struct Text {
    const void* data = "";
    std::size_t length = 0;  // bytes, or code points
    int width = 0;           // 0: bytes in code page 932; 1, 2, 4: a str; -1: an ASCII str
};

Text TextOf(PyObject* value) {
    Text text;
    if (PyUnicode_Check(value)) {
        text.data = PyUnicode_DATA(value);
        text.length = static_cast<std::size_t>(PyUnicode_GET_LENGTH(value));
        text.width = PyUnicode_IS_ASCII(value) ? -1 : static_cast<int>(PyUnicode_KIND(value));
    } else if (PyBytes_Check(value)) {
        text.data = PyBytes_AS_STRING(value);
        text.length = static_cast<std::size_t>(PyBytes_GET_SIZE(value));
    } else if (value == Py_None || (PyFloat_Check(value) && std::isnan(PyFloat_AS_DOUBLE(value)))) {
    } else {
        throw py::type_error(std::string("a text is str (UTF-8) or bytes (code page 932), not ") +
                             Py_TYPE(value)->tp_name);
    }
    return text;
}

template <typename Unit>
std::string_view EncodeUtf8(const Unit* units, std::size_t length, std::string& out) {
    if (out.size() < 4 * length) out.resize(4 * length);  // kept at its largest: no fill each time
    char* o = out.data();
    for (std::size_t k = 0; k < length; ++k) {
        const char32_t c = units[k];
        // A lone surrogate is written as it stands: ill-formed UTF-8, which the check reports.
        if (c < 0x80) {
            *o++ = static_cast<char>(c);
        } else if (c < 0x800) {
            *o++ = static_cast<char>(0xC0 | (c >> 6));
            *o++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *o++ = static_cast<char>(0xE0 | (c >> 12));
            *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *o++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *o++ = static_cast<char>(0xF0 | (c >> 18));
            *o++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *o++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return {out.data(), static_cast<std::size_t>(o - out.data())};
}

// The text's bytes for the C interface: itself, or its UTF-8 in `buffer`. Needs no GIL.
std::string_view BytesOf(const Text& text, std::string& buffer) {
    switch (text.width) {
        case 1:
            return EncodeUtf8(static_cast<const std::uint8_t*>(text.data), text.length, buffer);
        case 2:
            return EncodeUtf8(static_cast<const std::uint16_t*>(text.data), text.length, buffer);
        case 4:
            return EncodeUtf8(static_cast<const std::uint32_t*>(text.data), text.length, buffer);
        default:
            return {static_cast<const char*>(text.data), text.length};
    }
}

unsigned Flags(const Text& text, bool symbols, bool all) {
    return (text.width != 0 ? KESTRUNE_UTF8 : 0u) | (symbols ? 0u : KESTRUNE_NO_SYMBOLS) |
           (all ? KESTRUNE_ALL : 0u);
}

py::object KindName(int kind) {
    if (kind == KESTRUNE_KIND_NONE) return py::none();
    return py::str(kestrune_kind_name(kind));
}

// A rejected character as text: code page 932, or the input's UTF-8 for a lost one (ill-formed
// UTF-8, which no str holds, as U+FFFD).
std::string CharacterText(int kind, const char* bytes, std::size_t size) {
    if (kind == KESTRUNE_KIND_ILL_FORMED_UTF8) return "\xEF\xBF\xBD";
    if (kind == KESTRUNE_KIND_NOT_IN_CP932) return std::string(bytes, size);
    return Utf8(bytes, size);
}

// One finding as Python sees it.
struct Finding {
    std::string rule;  // "" for a character lost in converting
    int position;
    py::object kind;
    std::string character;                  // UTF-8
    std::optional<std::string> suggestion;  // UTF-8
};

struct RuleResult {
    std::string name;
    bool ok;
    int position;
    int measured;
};

// What a check found, copied out of the C result.
struct Result {
    bool ok;
    int position;
    std::vector<Finding> findings;
    std::vector<RuleResult> rules;

    std::vector<int> Positions() const {
        std::vector<int> out;
        for (const Finding& f : findings) {
            if (f.position > 0 && (out.empty() || out.back() != f.position))
                out.push_back(f.position);
        }
        return out;
    }
    py::object Kind() const { return findings.empty() ? py::none() : findings.front().kind; }
    py::object FirstSuggestion() const {
        if (findings.empty() || !findings.front().suggestion) return py::none();
        return py::str(*findings.front().suggestion);
    }
};

Result Copy(const kestrune_result* r) {
    Result out{kestrune_result_ok(r) != 0, kestrune_result_position(r), {}, {}};
    for (std::size_t k = 0; k < kestrune_result_rule_count(r); ++k) {
        kestrune_rule_result rule;
        kestrune_result_rule(r, k, &rule);
        out.rules.push_back({rule.name, rule.ok != 0, rule.position, rule.measured});
    }
    for (std::size_t k = 0; k < kestrune_result_finding_count(r); ++k) {
        kestrune_finding f;
        kestrune_result_finding(r, k, &f);
        const bool lost = f.rule < 0;
        out.findings.push_back(
            {lost ? std::string() : out.rules[static_cast<std::size_t>(f.rule)].name, f.position,
             KindName(f.kind), CharacterText(f.kind, f.character, f.character_size),
             f.suggestion_size == 0 ? std::nullopt
                                    : std::optional(Utf8(f.suggestion, f.suggestion_size))});
    }
    return out;
}

// Runs `check` over the value's text without the GIL, with the flags the text and the settings
// give, and returns its status.
template <typename Check>
int Unlocked(py::handle value, bool symbols, bool all, const Check& check) {
    const Text text = TextOf(value.ptr());
    py::gil_scoped_release unlocked;
    std::string buffer;
    return check(BytesOf(text, buffer), Flags(text, symbols, all));
}

class Rules {
  public:
    explicit Rules(const std::string& list) : list_(list), rules_(nullptr, &kestrune_rules_free) {
        kestrune_rules* parsed = nullptr;
        char error[256];
        const int status = kestrune_rules_parse(list.c_str(), &parsed, error, sizeof error);
        if (status != KESTRUNE_OK) Raise(status, status == KESTRUNE_ERROR_RULES ? error : "");
        rules_.reset(parsed);
        ResultPtr probe = NewResult();
        kestrune_rules_check(parsed, "", 0, 0, probe.get());
        for (std::size_t k = 0; k < kestrune_result_rule_count(probe.get()); ++k) {
            kestrune_rule_result rule;
            kestrune_result_rule(probe.get(), k, &rule);
            names_.emplace_back(rule.name);
        }
    }

    Result Check(py::handle value, bool all) const {
        ResultPtr result = NewResult();
        const int status = Unlocked(value, true, all, [&](std::string_view bytes, unsigned flags) {
            return kestrune_rules_check(rules_.get(), bytes.data(), bytes.size(), flags,
                                        result.get());
        });
        if (status != KESTRUNE_OK) Raise(status);
        return Copy(result.get());
    }

    const kestrune_rules* get() const { return rules_.get(); }
    const std::string& list() const { return list_; }
    // The names of the checks, as results give them.
    const std::vector<std::string>& names() const { return names_; }

  private:
    std::string list_;
    std::vector<std::string> names_;
    std::unique_ptr<kestrune_rules, decltype(&kestrune_rules_free)> rules_;
};

Result CheckOne(py::handle value, const std::string& operation, bool symbols, bool all) {
    ResultPtr result = NewResult();
    const int status = Unlocked(value, symbols, all, [&](std::string_view bytes, unsigned flags) {
        return kestrune_check(operation.c_str(), bytes.data(), bytes.size(), flags, result.get());
    });
    if (status == KESTRUNE_ERROR_OPERATION) {
        throw py::value_error("unknown operation '" + operation + "'");
    }
    if (status != KESTRUNE_OK) Raise(status);
    return Copy(result.get());
}

// A failing value's first finding, gathered without the GIL.
// Small and flat: a column may have many.
struct Failed {
    std::size_t row;
    int rule;  // -1: lost in converting
    int position;
    signed char kind;
    unsigned char characterSize, suggestionSize;
    char character[4];
    char suggestion[2];  // code page 932
};

// A run of a column's values from row `first`, its failures appended to `failed`.
void CheckRun(const kestrune_rules* rules, std::span<const Text> texts, std::size_t first,
              std::vector<Failed>& failed, int& status) {
    ResultPtr result(kestrune_result_new(), &kestrune_result_free);
    if (!result) throw std::bad_alloc();
    std::string buffer;
    for (std::size_t k = 0; k < texts.size(); ++k) {
        const std::string_view bytes = BytesOf(texts[k], buffer);
        status = kestrune_rules_check(rules, bytes.data(), bytes.size(),
                                      Flags(texts[k], true, false), result.get());
        if (status != KESTRUNE_OK) return;
        if (kestrune_result_ok(result.get())) continue;
        kestrune_finding f;
        kestrune_result_finding(result.get(), 0, &f);
        Failed& out = failed.emplace_back(Failed{first + k,
                                                 f.rule,
                                                 f.position,
                                                 static_cast<signed char>(f.kind),
                                                 static_cast<unsigned char>(f.character_size),
                                                 static_cast<unsigned char>(f.suggestion_size),
                                                 {},
                                                 {}});
        std::memcpy(out.character, f.character, std::min<std::size_t>(f.character_size, 4));
        std::memcpy(out.suggestion, f.suggestion, std::min<std::size_t>(f.suggestion_size, 2));
    }
}

// Values a thread takes at the least, and the most threads a column is checked in.
constexpr std::size_t kValuesPerThread = 65536;
constexpr std::size_t kMaxThreads = 8;

// A column's values, held by a sequence of its own while the GIL is released (another thread
// may change the caller's list meanwhile, never these), and the Series' index, if any.
struct Column {
    py::object index = py::none();
    py::object held;
    std::vector<Text> texts;
};

Column ColumnOf(py::handle values) {
    Column column;
    // A pandas Series names its rows by its index; anything else by its position.
    py::object sequence = py::reinterpret_borrow<py::object>(values);
    if (py::hasattr(values, "index") && py::hasattr(values, "tolist") &&
        !py::isinstance<py::list>(values)) {
        column.index = values.attr("index");
        sequence = values.attr("tolist")();
    }
    if (!PySequence_Check(sequence.ptr()) && !py::hasattr(sequence, "__iter__")) {
        throw py::type_error("check_column takes a sequence or a pandas Series");
    }
    // (A Series' tolist() is a list of its own already.)
    column.held = py::reinterpret_steal<py::object>(column.index.is_none()
                                                        ? PySequence_Tuple(sequence.ptr())
                                                        : PySequence_Fast(sequence.ptr(), ""));
    if (!column.held) throw py::error_already_set();
    const Py_ssize_t count = PySequence_Fast_GET_SIZE(column.held.ptr());
    PyObject** items = PySequence_Fast_ITEMS(column.held.ptr());
    column.texts.resize(static_cast<std::size_t>(count));
    for (Py_ssize_t k = 0; k < count; ++k) {
        column.texts[static_cast<std::size_t>(k)] = TextOf(items[k]);
    }
    return column;
}

// Without the GIL, in a few threads for a long column, each over its own run of values with a
// result of its own; the runs' failures are joined in order.
std::vector<std::vector<Failed>> CheckInThreads(const kestrune_rules* rules,
                                                const std::vector<Text>& texts) {
    const std::size_t threads = std::clamp<std::size_t>(
        std::min<std::size_t>(std::thread::hardware_concurrency(), texts.size() / kValuesPerThread),
        1, kMaxThreads);
    std::vector<std::vector<Failed>> failedRuns(threads);
    std::vector<int> statuses(threads, KESTRUNE_OK);
    {
        py::gil_scoped_release unlocked;
        const auto run = [&](std::size_t t) {
            const std::size_t begin = texts.size() * t / threads;
            const std::size_t end = texts.size() * (t + 1) / threads;
            try {
                CheckRun(rules, std::span(texts).subspan(begin, end - begin), begin, failedRuns[t],
                         statuses[t]);
            } catch (const std::bad_alloc&) {
                statuses[t] = KESTRUNE_ERROR_MEMORY;
            }
        };
        std::vector<std::thread> workers;
        for (std::size_t t = 1; t < threads; ++t) workers.emplace_back(run, t);
        run(0);
        for (std::thread& worker : workers) worker.join();
    }
    for (const int status : statuses) {
        if (status != KESTRUNE_OK) Raise(status);
    }
    return failedRuns;
}

// The failures as kestrune.Failure tuples, rows named by the Series' index where there is one.
py::list Failures(const std::vector<std::vector<Failed>>& failedRuns, const Rules& list,
                  const py::object& index) {
    const py::object failure = py::module_::import("kestrune").attr("Failure");
    std::vector<py::object> names;
    for (const std::string& name : list.names()) names.push_back(py::str(name));
    std::vector<py::object> kinds;
    for (int kind = 0; kestrune_kind_name(kind) != nullptr; ++kind) kinds.push_back(KindName(kind));
    // The failing rows' labels in one call: an Index looks up one label slowly.
    py::list labels;
    if (!index.is_none()) {
        py::list rows;
        for (const std::vector<Failed>& failedRun : failedRuns) {
            for (const Failed& f : failedRun) rows.append(f.row);
        }
        labels = index.attr("take")(rows).attr("tolist")();
    }
    py::list out;
    std::size_t failure_number = 0;
    for (const std::vector<Failed>& failedRun : failedRuns) {
        for (const Failed& f : failedRun) {
            py::object row =
                index.is_none() ? py::object(py::int_(f.row)) : py::object(labels[failure_number]);
            ++failure_number;
            py::object rule = f.rule >= 0 ? names[static_cast<std::size_t>(f.rule)] : py::none();
            py::object character = py::str(CharacterText(f.kind, f.character, f.characterSize));
            py::object suggestion = f.suggestionSize == 0
                                        ? py::object(py::none())
                                        : py::object(py::str(Utf8(f.suggestion, f.suggestionSize)));
            // tuple.__new__ makes the named tuple in C; its class's own __new__ is Python code.
            const py::tuple fields =
                py::make_tuple(row, rule, f.position, kinds[f.kind], character, suggestion);
            PyObject* made = PyTuple_Type.tp_new(reinterpret_cast<PyTypeObject*>(failure.ptr()),
                                                 py::make_tuple(fields).ptr(), nullptr);
            if (made == nullptr) throw py::error_already_set();
            out.append(py::reinterpret_steal<py::object>(made));
        }
    }
    return out;
}

py::list CheckColumn(py::handle values, py::object rules) {
    std::shared_ptr<Rules> owned;
    const Rules* list = nullptr;
    if (py::isinstance<Rules>(rules)) {
        list = &rules.cast<const Rules&>();
    } else {
        owned = std::make_shared<Rules>(rules.cast<std::string>());
        list = owned.get();
    }
    const Column column = ColumnOf(values);
    return Failures(CheckInThreads(list->get(), column.texts), *list, column.index);
}

py::bytes ToCp932(const std::string& text) {
    std::string out(text.size(), '\0');
    std::size_t written = 0;
    const int status =
        kestrune_utf8_to_cp932(text.data(), text.size(), out.data(), out.size(), &written, nullptr);
    if (status != KESTRUNE_OK) Raise(status);
    out.resize(written);
    return py::bytes(out);
}

py::str FromCp932(const py::bytes& data) {
    const std::string bytes = data;
    return py::str(Utf8(bytes.data(), bytes.size()));
}

std::string Repr(const Result& r) {
    if (r.ok) return "<kestrune.Result ok>";
    std::string s = "<kestrune.Result failed at byte " + std::to_string(r.position);
    if (!r.findings.empty() && !r.findings.front().rule.empty()) {
        s += " (" + r.findings.front().rule + ")";
    }
    return s + ">";
}

}  // namespace

PYBIND11_MODULE(kestrune, m) {
    m.doc() =
        "Kestrune's checks of Japanese text by its Shift-JIS (code page 932) bytes.\n\n"
        "A str is converted from UTF-8 as kestrune-check converts it (a character code page\n"
        "932 lacks fails the text); bytes are taken as code page 932. Positions are 1-based\n"
        "byte positions in code page 932, as kestrune-check prints them. Every function\n"
        "releases the GIL while it checks.";
    m.attr("__version__") = kestrune_version();

    py::class_<Finding>(m, "Finding", "One rejected character, or one failed rule.")
        .def_readonly("rule", &Finding::rule,
                      "The rule that rejected it; '' for a character lost in converting.")
        .def_readonly("position", &Finding::position,
                      "Its 1-based byte position in code page 932; 0 for a rule such as "
                      "'required' that names none.")
        .def_readonly("kind", &Finding::kind,
                      "Where it comes from, as kestrune-check --json names it ('nec-special', "
                      "'ibm-extension', 'not-in-cp932', ...), or None.")
        .def_readonly("character", &Finding::character, "The character itself.")
        .def_readonly("suggestion", &Finding::suggestion,
                      "A replacement that keeps the meaning exactly, or None.")
        .def("__repr__", [](const Finding& f) {
            return "<kestrune.Finding " + (f.rule.empty() ? std::string("lost") : f.rule) +
                   " at byte " + std::to_string(f.position) + ">";
        });

    py::class_<RuleResult>(m, "RuleResult", "What one rule of a check found.")
        .def_readonly("name", &RuleResult::name)
        .def_readonly("ok", &RuleResult::ok)
        .def_readonly("position", &RuleResult::position)
        .def_readonly("measured", &RuleResult::measured,
                      "A measurement's value, or the text's size in bytes for max-bytes.");

    py::class_<Result>(m, "Result", "What a check found; true when the text passed.")
        .def_readonly("ok", &Result::ok, "Whether every rule passed and nothing was lost.")
        .def_readonly("position", &Result::position,
                      "The first rejected byte position (1-based, code page 932), 0 when ok.")
        .def_property_readonly("positions", &Result::Positions,
                               "Every rejected position found (with all=True, every one).")
        .def_property_readonly("kind", &Result::Kind, "The first rejected character's kind.")
        .def_property_readonly("suggestion", &Result::FirstSuggestion,
                               "The fix for the first rejected character, or None.")
        .def_readonly("findings", &Result::findings, "Every Finding, rule by rule.")
        .def_readonly("rules", &Result::rules, "Each rule's own RuleResult.")
        .def("__bool__", [](const Result& r) { return r.ok; })
        .def("__repr__", &Repr);

    py::class_<Rules, std::shared_ptr<Rules>>(
        m, "Rules",
        "A rule list as kestrune-check --column takes it, such as\n"
        "'full-katakana,max-bytes=40,required' ('no-symbols' among them for the setting).\n"
        "Raises ValueError for a list that does not parse. May be shared between threads.")
        .def(py::init<const std::string&>(), py::arg("rules"))
        .def("check", &Rules::Check, py::arg("text"), py::kw_only(), py::arg("all") = false,
             "Checks one text by every rule in order; all=True gives every rejected position.")
        .def_property_readonly("names", &Rules::names, "The rules that check, in order.")
        .def("__repr__", [](const Rules& r) { return "kestrune.Rules('" + r.list() + "')"; });

    m.def("check", &CheckOne, py::arg("text"), py::arg("operation"), py::kw_only(),
          py::arg("symbols") = true, py::arg("all") = false,
          "Runs one operation ('full-katakana', 'jis', 'zengin', 'byte-size', ...) over a text.\n"
          "symbols=False is the window's 記号を許可 off; all=True gives every rejected position.");
    m.def("check_column", &CheckColumn, py::arg("values"), py::arg("rules"),
          "Checks every value of a sequence or a pandas Series by a Rules (or a rule list),\n"
          "in one call without the GIL. Returns the failing values as Failure tuples\n"
          "(row, rule, position, kind, character, suggestion) of their first finding, row\n"
          "being the Series' index label or the position in the sequence. None and NaN are\n"
          "the empty text.");
    m.def("to_cp932", &ToCp932, py::arg("text"),
          "The text in code page 932, a character it lacks as '?'.");
    m.def("from_cp932", &FromCp932, py::arg("data"),
          "Code page 932 bytes as a str, bytes that are not code page 932 as U+FFFD each.");

    const py::object namedtuple = py::module_::import("collections").attr("namedtuple");
    py::object failure = namedtuple("Failure", "row rule position kind character suggestion");
    failure.attr("__module__") = "kestrune";
    failure.attr("__doc__") =
        "A failing value of check_column: its row, the rule (None for a character lost in "
        "converting), the 1-based byte position in code page 932, the kind, the character and "
        "the suggested fix.";
    m.attr("Failure") = failure;
}
