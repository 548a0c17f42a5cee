// zorvik-workbench [PAGE]
#include "workbench/ui/workbench_app.h"

int main(int argc, char** argv) { return zorvik::RunWorkbench(argc, argv); }
