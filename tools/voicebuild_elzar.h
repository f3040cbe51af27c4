// voicebuild's second voice: the ELZAR synthesiser's diphone database.
#pragma once

// voicebuild --elzar --root FAMILY_ROOT --dfn DIPHONE_LIST
int elzar_voice_main(int argc, char** argv);
