#include <QCoreApplication>

#include <iostream>

#include "cli/renderer.h"

int main(int argc, char** argv)
{
    // Image encoders are plugins, found through the application object.
    QCoreApplication application(argc, argv);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return RunRenderer(arguments, std::cout, std::cerr);
}
