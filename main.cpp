// quillmere-notes-importer: the importer's window.

#include "gui/application.h"
#include "platform/process/memory_reuse.h"

int main(int argc, char** argv) {
    quillmere::memory_reuse::keepFreedMemoryForReuse();
    return quillmere::gui::applicationMain(argc, argv);
}
