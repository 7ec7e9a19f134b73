#pragma once
// Reference counting and interface lookup shared by every engine object of this implementation.
#include <atomic>
#include <tuple>
#include <type_traits>

#include "engine/Interfaces.h"

namespace engine::ff {

template <class Derived, class... Interfaces>
class EngineObject : public Interfaces... {
public:
    void AddRef() override { refs_.fetch_add(1, std::memory_order_relaxed); }
    void Release() override {
        if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete static_cast<Derived*>(this);
    }
    IMUnknown* QueryInterface(InterfaceId iid) override {
        IMUnknown* found = nullptr;
        ((found = found ? found : match<Interfaces>(iid)), ...);
        if (found) AddRef();
        return found;
    }

    template <class First = std::tuple_element_t<0, std::tuple<Interfaces...>>>
    IMUnknown* primaryView() {
        return static_cast<First*>(this);
    }

protected:
    EngineObject() = default;

private:
    template <class I>
    IMUnknown* match(InterfaceId iid) {
        if (iid == I::IID) return static_cast<I*>(this);
        if constexpr (std::is_base_of_v<IMAttributes, I> && !std::is_same_v<IMAttributes, I>) {
            if (iid == IMAttributes::IID) return static_cast<IMAttributes*>(static_cast<I*>(this));
        }
        return nullptr;
    }
    std::atomic<int> refs_{0};
};

// The first counted reference to a freshly made object, seen through its first interface.
template <class T, class... Args>
MRef<IMUnknown> makeObject(Args&&... args) {
    T* obj = new T(std::forward<Args>(args)...);
    IMUnknown* primary = obj->primaryView();
    primary->AddRef();
    return MRef<IMUnknown>::adopt(primary);
}

}  // namespace engine::ff
