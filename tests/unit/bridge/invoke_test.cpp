#include "bridge/invoke.h"
#include "platform/textconv.h"

#include <gtest/gtest.h>
