// The gnu form: PAGE:LINE:COLUMN: SEVERITY: MESSAGE [KIND], as compilers write their messages,
// the severity word coloured for a terminal as compilers colour it.
#include "check/form.h"
#include "html/catalogue.h"
#include "text/append.h"

namespace zelko::check {

namespace {

const char* const kColors[] = {"\033[01;31m", "\033[01;35m", "\033[01;36m"};

class GnuForm : public ReportForm {
public:
    explicit GnuForm(bool color) : color_(color) {}

    std::string pageName(const std::string& page) const override { return page; }

    void line(std::string& out, const std::string& page, const html::Finding& f) override
    {
        out += page;
        out += ':';
        appendNumber(out, f.where.line);
        out += ':';
        appendNumber(out, f.where.column);
        out += ": ";
        if (color_)
            out += kColors[static_cast<int>(f.severity)];
        out += severityWord(f.severity);
        if (color_)
            out += "\033[m";
        out += ": ";
        html::appendMessage(out, f);
        out += " [";
        out += html::kindInfo(f.kind).id;
        out += "]\n";
    }

private:
    bool color_;
};

}  // namespace

std::unique_ptr<ReportForm> gnuForm(bool color) { return std::make_unique<GnuForm>(color); }

}  // namespace zelko::check
