#include "generator/Generator.h"

#include <cstring>
#include <new>

#include "app/LogFile.h"
#include "base/Status.h"

CGenerator::CGenerator(ConfigData configData) : config(configData) {}

CGenerator::~CGenerator() = default;

int CGenerator::DirectionFlag(const char* direction, const char* functionName) {
    if (direction != nullptr && std::strcmp(direction, "OUT") == 0) return 1;
    if (direction != nullptr && std::strcmp(direction, "IN") == 0) return 0;
    logFile.ReportError(className, functionName, Message::badParameter, "direction");
    return Status::badParameter;
}

void CGenerator::SetQuadratureOrders() {
    config.quadratureOrder[quadratureNear] = 12;
    config.quadratureOrder[quadratureMiddle] = 6;
    config.quadratureOrder[quadratureFar] = 2;
}

int CGenerator::Init() {
    const std::size_t columns = pointCount > 0 ? static_cast<std::size_t>(pointCount) : 0;
    const std::size_t count = totalElementCount > 0 ? static_cast<std::size_t>(totalElementCount) : 0;
    // In the order of allocation; what was obtained before a failure stays with the object.
    try {
        rowA.resize(columns);
        rowB.resize(columns);
        isParallelogram.resize(count);
        normalBase.resize(count);
        normalSlopeA.resize(count);
        normalSlopeB.resize(count);
        nodeFactors.resize(count);
    } catch (const std::bad_alloc&) {
        logFile.ReportError(className, "Init", Message::noMemory, "");
        return Status::noMemory;
    }
    MarkParallelograms();
    ComputeElementNormals();
    ComputeNormalFactors();
    return Status::ok;
}
