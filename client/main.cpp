#include "formkit/application.h"

int main(int argc, char** argv)
{
    formkit::Application app(argc, argv);
    return 0;
}
