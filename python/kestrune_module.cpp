// SPDX-License-Identifier: MIT
// The Python module kestrune: libkestrune's C interface for Python and pandas. A str is UTF-8
// converted as kestrune-check converts it, bytes are code page 932; positions are byte
// positions in code page 932, as kestrune-check prints them. The work runs without the GIL.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <memory>
#include <optional>
#include <string>
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

// A text to check: the bytes and whether they are UTF-8. None and NaN, pandas' missing
// values, are the empty text, as an empty CSV field is to kestrune-check.
struct Text {
    const char* data = "";
    std::size_t size = 0;
    bool utf8 = false;
};

Text TextOf(PyObject* value) {
    Text text;
    if (PyUnicode_Check(value)) {
        Py_ssize_t size = 0;
        text.data = PyUnicode_AsUTF8AndSize(value, &size);  // kept by the str itself
        if (text.data == nullptr) throw py::error_already_set();
        text.size = static_cast<std::size_t>(size);
        text.utf8 = true;
    } else if (PyBytes_Check(value)) {
        text.data = PyBytes_AS_STRING(value);
        text.size = static_cast<std::size_t>(PyBytes_GET_SIZE(value));
    } else if (value == Py_None || (PyFloat_Check(value) && std::isnan(PyFloat_AS_DOUBLE(value)))) {
    } else {
        throw py::type_error(std::string("a text is str (UTF-8) or bytes (code page 932), not ") +
                             Py_TYPE(value)->tp_name);
    }
    return text;
}

unsigned Flags(const Text& text, bool symbols, bool all) {
    return (text.utf8 ? KESTRUNE_UTF8 : 0u) | (symbols ? 0u : KESTRUNE_NO_SYMBOLS) |
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
        const Text text = TextOf(value.ptr());
        ResultPtr result = NewResult();
        int status;
        {
            py::gil_scoped_release unlocked;
            status = kestrune_rules_check(rules_.get(), text.data, text.size,
                                          Flags(text, true, all), result.get());
        }
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
    const Text text = TextOf(value.ptr());
    ResultPtr result = NewResult();
    int status;
    {
        py::gil_scoped_release unlocked;
        status = kestrune_check(operation.c_str(), text.data, text.size, Flags(text, symbols, all),
                                result.get());
    }
    if (status == KESTRUNE_ERROR_OPERATION) {
        throw py::value_error("unknown operation '" + operation + "'");
    }
    if (status != KESTRUNE_OK) Raise(status);
    return Copy(result.get());
}

// A failing value's first finding, gathered without the GIL.
struct Failed {
    std::size_t row;
    int rule;  // -1: lost in converting
    int position;
    int kind;
    std::string character;
    std::string suggestion;  // code page 932
};

py::list CheckColumn(py::handle values, py::object rules) {
    std::shared_ptr<Rules> owned;
    const Rules* list = nullptr;
    if (py::isinstance<Rules>(rules)) {
        list = &rules.cast<const Rules&>();
    } else {
        owned = std::make_shared<Rules>(rules.cast<std::string>());
        list = owned.get();
    }
    // A pandas Series names its rows by its index; anything else by its position.
    py::object index = py::none();
    py::object sequence = py::reinterpret_borrow<py::object>(values);
    if (py::hasattr(values, "index") && py::hasattr(values, "tolist") &&
        !py::isinstance<py::list>(values)) {
        index = values.attr("index");
        sequence = values.attr("tolist")();
    }
    const py::object fast = py::reinterpret_steal<py::object>(
        PySequence_Fast(sequence.ptr(), "check_column takes a sequence or a pandas Series"));
    if (!fast) throw py::error_already_set();
    const Py_ssize_t count = PySequence_Fast_GET_SIZE(fast.ptr());
    PyObject** items = PySequence_Fast_ITEMS(fast.ptr());
    std::vector<Text> texts(static_cast<std::size_t>(count));
    for (Py_ssize_t k = 0; k < count; ++k) texts[static_cast<std::size_t>(k)] = TextOf(items[k]);

    std::vector<Failed> failed;
    int status = KESTRUNE_OK;
    {
        py::gil_scoped_release unlocked;
        ResultPtr result = NewResult();
        for (std::size_t k = 0; k < texts.size() && status == KESTRUNE_OK; ++k) {
            status = kestrune_rules_check(list->get(), texts[k].data, texts[k].size,
                                          Flags(texts[k], true, false), result.get());
            if (status != KESTRUNE_OK || kestrune_result_ok(result.get())) continue;
            kestrune_finding f;
            kestrune_result_finding(result.get(), 0, &f);
            failed.push_back({k, f.rule, f.position, f.kind,
                              std::string(f.character, f.character_size),
                              std::string(f.suggestion, f.suggestion_size)});
        }
    }
    if (status != KESTRUNE_OK) Raise(status);

    const py::object failure = py::module_::import("kestrune").attr("Failure");
    std::vector<py::object> names;
    for (const std::string& name : list->names()) names.push_back(py::str(name));
    py::list out;
    for (const Failed& f : failed) {
        py::object row =
            index.is_none() ? py::object(py::int_(f.row)) : py::object(index[py::int_(f.row)]);
        py::object rule = py::none();
        if (f.rule >= 0) {
            rule = names[static_cast<std::size_t>(f.rule)];
        }
        py::object character =
            py::str(CharacterText(f.kind, f.character.data(), f.character.size()));
        py::object suggestion =
            f.suggestion.empty()
                ? py::object(py::none())
                : py::object(py::str(Utf8(f.suggestion.data(), f.suggestion.size())));
        out.append(failure(row, rule, f.position, KindName(f.kind), character, suggestion));
    }
    return out;
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
