#include "CardResults.h"

namespace vn_cardos {

int mapStatus(uint32_t status, const StatusResult* table, size_t rows, int otherwise) {
    for (size_t i = 0; i < rows; ++i)
        if (table[i].status == status)
            return table[i].result;
    return otherwise;
}

}  // namespace vn_cardos
