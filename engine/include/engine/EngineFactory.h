#pragma once
// Creation of engine objects by class identifier. The program receives a factory at start-up (the
// FFmpeg engine in the product, a recording double in tests) and never names an implementation.
#include "engine/ClassIds.h"
#include "engine/Interfaces.h"

namespace engine {

class IEngineFactory {
public:
    virtual ~IEngineFactory() = default;
    // A new object with one reference owned by the caller; throws EngineError for an unknown class or
    // when the engine cannot start.
    virtual MRef<IMUnknown> CreateObject(ClassId classId) = 0;
};

// A new object of `classId`, seen through interface I (throws when it lacks I).
template <class I>
MRef<I> create(IEngineFactory& factory, ClassId classId) {
    return query<I>(factory.CreateObject(classId));
}

}  // namespace engine
