// The command library: models behind the script commands that act outside the interpreter.
#pragma once
#include "commands/lists.h"
