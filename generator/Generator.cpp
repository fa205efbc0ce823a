#include "generator/Generator.h"

#include <cstring>

CGenerator::CGenerator(ConfigData configData) : config(configData) {}

CGenerator::~CGenerator() = default;

int CGenerator::DirectionFlag(const char* direction) {
    if (direction == nullptr) return -1;
    if (std::strcmp(direction, "OUT") == 0) return 1;
    if (std::strcmp(direction, "IN") == 0) return 0;
    return -1;
}

void CGenerator::SetQuadratureOrders() {
    config.quadratureOrder[quadratureNear] = 12;
    config.quadratureOrder[quadratureMiddle] = 6;
    config.quadratureOrder[quadratureFar] = 2;
}
