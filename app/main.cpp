// Process entry: runs one command and exits with its negative status, or 0.
#include "app/Kavoral.h"

int main(int argc, char** argv) {
    Kavoral application;
    const int status = application.Start(argc, argv);
    return status < 0 ? status : 0;
}
