#include "ui/Application.h"
#include "ui/SimTarget.h"

// tallis-sim: the same program driving a simulated board and chip in real time.
int main(int argc, char** argv) {
    return tallis::RunApplication(argc, argv, tallis::StartSimTarget, true);
}
