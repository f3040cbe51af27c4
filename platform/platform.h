// The platform layers that stand in for the system the scripts were written for.
#pragma once
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "platform/text.h"
