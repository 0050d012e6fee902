// Program entry: the headless runner claims "--wctest" command lines; every
// other start opens the desktop program.

#include "HeadlessRunner.h"
#include "engine/Graphics.h"
#include "platform/system/Errors.h"

#include <cstdio>

int main(int argc, char** argv)
{
    pv::EngineStart();
    int exitCode = 0;
    try {
        if (pv::RunWcTest(argc, argv)) {
            pv::EngineEnd();
            return 0;
        }
        std::fprintf(stderr,
                     "usage: pelandrovium --wctest <input> <output.jpg|.png|.webp> [P1 P2 P3 P4 P5] [effect]\n");
        exitCode = 2;
    } catch (const pv::Exception& e) {
        std::fprintf(stderr, "Pelandrovium startup error: %s\r\n\r\nThe application will now exit.\n", e.what());
    }
    pv::EngineEnd();
    return exitCode;
}
