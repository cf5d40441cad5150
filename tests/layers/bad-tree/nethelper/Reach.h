#pragma once

#include "platform/Upward.h"
