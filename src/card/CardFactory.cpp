// Card-OS classes and card applications are added here as they come; until then every
// recognised card yields no object.
#include "CardFactory.h"

CSC_Profile_Base* vn_create_card_os(int) { return nullptr; }

