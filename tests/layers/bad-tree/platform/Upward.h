#pragma once

#include "locations/Location.h"
