#include "app/run.h"

int main(int argc, char** argv) { return zelko::runTool(argc, argv); }
