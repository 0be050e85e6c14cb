// Program entry: quillnote [song.qnt]
#include "app/app.h"

int main(int argc, char** argv) {
    return qn::RunQuillnote(argc, argv);
}
