#pragma once
#include "platform/windef.h"
