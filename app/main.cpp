#include "app/CNorvikApp.h"

int main(int argc, char** argv) {
    CNorvikApp app(argc, argv);
    return app.run();
}
