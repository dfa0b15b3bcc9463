// The json form: JSON Lines, one object per finding, and the JSON strings the SARIF form writes
// too.
#include "check/form.h"
#include "html/catalogue.h"
#include "text/append.h"
#include "text/bytes.h"

namespace zelko::check {

namespace {

class JsonForm : public ReportForm {
public:
    std::string pageName(const std::string& page) const override
    {
        std::string name;
        appendJsonString(name, page);
        return name;
    }

    void line(std::string& out, const std::string& page, const html::Finding& f) override
    {
        out += "{\"page\":";
        out += page;
        out += ",\"line\":";
        appendNumber(out, f.where.line);
        out += ",\"column\":";
        appendNumber(out, f.where.column);
        out += ",\"severity\":\"";
        out += severityWord(f.severity);
        out += "\",\"kind\":\"";
        out += html::kindInfo(f.kind).id;
        out += "\",\"message\":";
        message_.clear();
        html::appendMessage(message_, f);
        appendJsonString(out, message_);
        out += "}\n";
    }

private:
    std::string message_;
};

}  // namespace

std::unique_ptr<ReportForm> jsonForm() { return std::make_unique<JsonForm>(); }

}  // namespace zelko::check
