#include "app/RealTarget.h"
#include "ui/Application.h"

// tallis: the programmer on the computer's parallel port.
int main(int argc, char** argv) {
    return tallis::RunApplication(argc, argv, [](const tallis::LaunchOptions&) {
        return std::make_unique<tallis::RealTarget>();
    });
}
