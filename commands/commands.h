// The command library: models behind the script commands that act outside the interpreter.
#pragma once
#include "commands/dirsearch.h"
#include "commands/encodings.h"
#include "commands/files.h"
#include "commands/lists.h"
