#include "bridge/paths.h"

#include <gtest/gtest.h>
