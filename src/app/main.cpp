// K408020: maintenance of the usage-information classification master.
#include "app/Startup.h"

int main(int argc, char** argv)
{
    return k4::run_program(argc, argv);
}
