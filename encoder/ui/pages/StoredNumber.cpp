#include "StoredNumber.h"

#include <cmath>

int ToStoredNumber(float shown, int unitsPerOne)
{
    return static_cast<int>(std::lround(static_cast<double>(shown) * unitsPerOne));
}

float ToShownNumber(int stored, int unitsPerOne)
{
    return static_cast<float>(static_cast<double>(stored) / unitsPerOne);
}
