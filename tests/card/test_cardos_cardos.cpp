#include "CardOsSim.h"
