// Moxel built without a window (-DMOXEL_GUI=OFF): the relay without a
// display and the commands, linking no GUI toolkit.
#include "app/headless/ProgramMain.h"

int main(int argc, char* argv[]) {
    return moxel::programMain(argc, argv, {});
}
