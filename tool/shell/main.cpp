#include "app.h"

int main(int, char** argv)
{
    return theApp.Run(argv[0]);
}
