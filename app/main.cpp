#include "app/main_routine.h"

int main(int argc, char** argv) { return app::RunProgram(argc, argv); }
