#include <string>
#include <vector>

#include "app/platform.h"
#include "app/run.h"

int main(int argc, char** argv)
{
    std::vector<std::string> texts = zelko::commandLine(argc, argv);
    std::vector<char*> arguments;
    for (std::string& text : texts)
        arguments.push_back(text.data());
    arguments.push_back(nullptr);
    return zelko::runTool(static_cast<int>(texts.size()), arguments.data());
}
