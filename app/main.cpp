// The main of every program that runs the main window: quellon itself, and the test and
// benchmark builds that run the same loop. Each executable supplies thisProgram().
#include "app/entry.h"
#include "app/launch.h"

int quellon::programMain(int argc, char** argv) {
    return launch(argc, argv, thisProgram());
}
