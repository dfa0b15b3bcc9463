// The sarif form: one SARIF 2.1.0 log for the whole run, its rules taken from the catalogue of
// kinds, one result per finding located at the page as a relative URI reference.
#include "check/form.h"
#include "html/catalogue.h"
#include "text/append.h"

namespace zelko::check {

namespace {

class SarifForm : public ReportForm {
public:
    SarifForm(std::string version, std::size_t kinds) : version_(std::move(version)), kinds_(kinds) {}

    std::string pageName(const std::string& page) const override
    {
        std::string uri, name;
        appendPageUri(uri, page);
        appendJsonString(name, uri);
        return name;
    }

    void head(std::string& out) override
    {
        out +=
            "{\"$schema\":\"https://json.schemastore.org/sarif-2.1.0.json\",\"version\":\"2.1.0\","
            "\"runs\":[{\"tool\":{\"driver\":{\"name\":\"zelko\",\"version\":";
        appendJsonString(out, version_);
        out += ",\"rules\":[";
        for (std::size_t i = 0; i < kinds_; ++i) {
            const html::KindInfo& kind = html::kindInfo(static_cast<html::Kind>(i));
            out += i == 0 ? "\n" : ",\n";
            out += "{\"id\":";
            appendJsonString(out, kind.id);
            out += ",\"shortDescription\":{\"text\":";
            appendJsonString(out, kind.shortText);
            out += "},\"fullDescription\":{\"text\":";
            appendJsonString(out, kind.fullText);
            out += "},\"help\":{\"text\":";
            appendJsonString(out, kind.help);
            out += "},\"defaultConfiguration\":{\"level\":\"";
            out += severityWord(kind.level);
            out += "\"}}";
        }
        out += "]}},\"columnKind\":\"utf16CodeUnits\",\"results\":[";
    }

    void line(std::string& out, const std::string& page, const html::Finding& f) override
    {
        out += firstResult_ ? "\n" : ",\n";
        firstResult_ = false;
        out += "{\"ruleId\":\"";
        out += html::kindInfo(f.kind).id;
        out += "\",\"ruleIndex\":";
        appendNumber(out, static_cast<std::uint64_t>(f.kind));
        out += ",\"level\":\"";
        out += severityWord(f.severity);
        out += "\",\"message\":{\"text\":";
        message_.clear();
        html::appendMessage(message_, f);
        appendJsonString(out, message_);
        out += "},\"locations\":[{\"physicalLocation\":{\"artifactLocation\":{\"uri\":";
        out += page;
        out += "},\"region\":{\"startLine\":";
        appendNumber(out, f.where.line);
        out += ",\"startColumn\":";
        appendNumber(out, f.where.column);
        out += "}}}]}";
    }

    void tail(std::string& out) override { out += "\n]}]}\n"; }

private:
    std::string version_;
    std::size_t kinds_;  // the rules: the kinds the run can find
    bool firstResult_ = true;
    std::string message_;
};

}  // namespace

std::unique_ptr<ReportForm> sarifForm(const std::string& version, bool a11y)
{
    return std::make_unique<SarifForm>(version, a11y ? html::kKindCount : html::kStructureKindCount);
}

void appendPageUri(std::string& out, std::string_view name)
{
    std::string_view path = name;
#ifdef _WIN32
    const bool drive = name.size() >= 3 && ((name[0] | 0x20) >= 'a' && (name[0] | 0x20) <= 'z') &&
                       name[1] == ':' && (name[2] == '\\' || name[2] == '/');
    const bool unc =
        name.size() >= 2 && (name[0] == '\\' || name[0] == '/') && (name[1] == '\\' || name[1] == '/');
    if (drive) {
        out += "file:///";
        out += name.substr(0, 2);  // the drive's colon stays as it is
        path = name.substr(2);
    } else if (unc) {
        out += "file:";  // "//server/share/...": the server is the URI's authority
    }
    if (drive || unc) {
        appendUriReference(out, path);
        return;
    }
#endif
    if (!path.empty() && path[0] == '/')
        out += "file://";
    appendUriReference(out, path);
}

void appendUriReference(std::string& out, std::string_view name)
{
    static const char digits[] = "0123456789ABCDEF";
    for (char ch : name) {
        unsigned char c = static_cast<unsigned char>(ch);
#ifdef _WIN32
        if (c == '\\')
            c = '/';
#endif
        bool unreserved = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                          c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
        if (unreserved) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
}

}  // namespace zelko::check
