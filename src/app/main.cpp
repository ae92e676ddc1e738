#include "startup.h"

int main(int argc, char **argv)
{
    return gudang::runGudang(argc, argv);
}
