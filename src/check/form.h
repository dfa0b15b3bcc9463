// The forms of the check report, one writer each behind one interface: each owns its escaping,
// its head, its line per finding and its tail.
//   gnu     PAGE:LINE:COLUMN: SEVERITY: MESSAGE [KIND], as compilers write it
//   json    one JSON object per finding and line
//   sarif   one SARIF 2.1.0 log for the whole run
//   github  GitHub Actions workflow commands (::error file=...::MESSAGE)
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "html/findings.h"
#include "text/json.h"

namespace zelko::check {

enum class Format : std::uint8_t { gnu, json, sarif, github };

class ReportForm {
public:
    virtual ~ReportForm() = default;
    // The page's name as this form writes it in each of its lines.
    virtual std::string pageName(const std::string& page) const = 0;
    // What comes before the first finding.
    virtual void head(std::string&) {}
    // One finding about page `page` (as pageName wrote it).
    virtual void line(std::string& out, const std::string& page, const html::Finding& finding) = 0;
    // What comes after the last finding.
    virtual void tail(std::string&) {}
};

// The writer of `format`. `color`: the gnu form's severity words in colour, for a terminal;
// `version`: the tool's, for the SARIF log's tool record.
// `a11y`: the run also finds who heads each cell, whose kinds the SARIF log's rules then list.
std::unique_ptr<ReportForm> makeForm(Format format, bool color, const std::string& version,
                                     bool a11y = false);
std::unique_ptr<ReportForm> gnuForm(bool color);
std::unique_ptr<ReportForm> jsonForm();
std::unique_ptr<ReportForm> sarifForm(const std::string& version, bool a11y);
std::unique_ptr<ReportForm> githubForm();

using zelko::appendJsonString;
// Appends `name` as a relative URI reference: every byte but the unreserved ones and '/' is
// percent-encoded (on Windows '\' is a '/' first).
void appendUriReference(std::string& out, std::string_view name);
// Appends the page named `name` as a URI: a file: URI for an absolute path (/a/b.html gives
// file:///a/b.html; on Windows C:\a.html gives file:///C:/a.html and \\s\d\a.html
// file://s/d/a.html), a relative reference for any other name.
void appendPageUri(std::string& out, std::string_view name);
// Appends `text` escaped as GitHub Actions escapes a workflow command's message (`property`
// false) or a property value (`property` true).
void appendActionsEscaped(std::string& out, std::string_view text, bool property);

}  // namespace zelko::check
