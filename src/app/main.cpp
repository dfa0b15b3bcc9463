#include "app/run.h"

#ifdef _WIN32

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/wide.h"

// The arguments are taken as UTF-16 and handed on in UTF-8, so a name outside the console's
// code page reaches the tool intact.
int main()
{
    int argc = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> texts;
    for (int i = 0; i < argc; ++i)
        texts.push_back(zelko::toUtf8(wide[i]));
    LocalFree(wide);
    std::vector<char*> argv;
    for (std::string& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    return zelko::runTool(argc, argv.data());
}

#else

int main(int argc, char** argv) { return zelko::runTool(argc, argv); }

#endif
