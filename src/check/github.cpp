// The github form: GitHub Actions workflow commands, which a workflow shows as annotations,
// escaped as the Actions toolkit escapes them.
#include "check/form.h"
#include "html/catalogue.h"
#include "text/append.h"

namespace zelko::check {

namespace {

const char* const kActionsWords[] = {"error", "warning", "notice"};

class GithubForm : public ReportForm {
public:
    std::string pageName(const std::string& page) const override
    {
        std::string name;
        appendActionsEscaped(name, page, true);
        return name;
    }

    void line(std::string& out, const std::string& page, const html::Finding& f) override
    {
        out += "::";
        out += kActionsWords[static_cast<int>(f.severity)];
        out += " file=";
        out += page;
        out += ",line=";
        appendNumber(out, f.where.line);
        out += ",col=";
        appendNumber(out, f.where.column);
        out += ",title=";
        appendActionsEscaped(out, html::kindInfo(f.kind).id, true);
        out += "::";
        message_.clear();
        html::appendMessage(message_, f);
        appendActionsEscaped(out, message_, false);
        out += '\n';
    }

private:
    std::string message_;
};

}  // namespace

std::unique_ptr<ReportForm> githubForm() { return std::make_unique<GithubForm>(); }

void appendActionsEscaped(std::string& out, std::string_view text, bool property)
{
    std::size_t plain = 0;
    for (; plain < text.size(); ++plain) {
        char c = text[plain];
        if (c == '%' || c == '\r' || c == '\n' || (property && (c == ':' || c == ',')))
            break;
    }
    out += text.substr(0, plain);
    for (char c : text.substr(plain)) {
        switch (c) {
        case '%':
            out += "%25";
            break;
        case '\r':
            out += "%0D";
            break;
        case '\n':
            out += "%0A";
            break;
        case ':':
            out += property ? "%3A" : ":";
            break;
        case ',':
            out += property ? "%2C" : ",";
            break;
        default:
            out += c;
        }
    }
}

}  // namespace zelko::check
