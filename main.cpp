// quillmere-notes-importer: the importer's window.

#include "gui/application.h"

int main(int argc, char** argv) { return quillmere::gui::applicationMain(argc, argv); }
