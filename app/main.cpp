// The main() of every program that runs the main window: quellon itself, and the test and
// benchmark builds that run the same loop. Each executable supplies thisProgram().
#include "app/launch.h"

int main(int argc, char** argv) {
    return quellon::launch(argc, argv, quellon::thisProgram());
}
