// zorvik-workbench [PAGE]
#include "workbench/workbench_app.h"

int main(int argc, char** argv) { return zorvik::RunWorkbench(argc, argv); }
