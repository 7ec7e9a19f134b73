#pragma once
// Reference-counted engine objects and the interface lookup that every caller uses.
#include <string_view>
#include <utility>

#include "engine/EngineError.h"
#include "engine/OperatorTexts.h"

namespace engine {

using InterfaceId = std::string_view;  // "{XXXXXXXX-....}" in upper case

// Root of every engine interface. An object is one reference count shared by all of its views.
class IMUnknown {
public:
    virtual void AddRef() = 0;
    virtual void Release() = 0;
    // The view of this object for `iid`, with its count raised; nullptr when the object lacks it.
    virtual IMUnknown* QueryInterface(InterfaceId iid) = 0;

protected:
    virtual ~IMUnknown() = default;
};

// Owning counted reference. Copy adds a reference; destruction releases it.
template <class T>
class MRef {
public:
    MRef() = default;
    MRef(std::nullptr_t) {}
    // Takes over a reference the caller already owns.
    static MRef adopt(T* p) {
        MRef r;
        r.p_ = p;
        return r;
    }
    // Adds a reference of its own.
    static MRef share(T* p) {
        if (p) p->AddRef();
        return adopt(p);
    }
    MRef(const MRef& o) : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    MRef(MRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    MRef& operator=(MRef o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~MRef() { reset(); }

    void reset() {
        if (auto* p = std::exchange(p_, nullptr)) p->Release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }
    bool operator==(const MRef& o) const { return p_ == o.p_; }

private:
    T* p_ = nullptr;
};

// The view `I` of `obj`; throws EngineError when the object lacks that interface.
template <class I, class U>
MRef<I> query(U* obj) {
    if (!obj)
        throw EngineError(texts::interfaceOfNoObject(I::IID.data()));
    IMUnknown* view = obj->QueryInterface(I::IID);
    if (!view)
        throw EngineError(texts::interfaceNotSupported(I::IID.data()));
    return MRef<I>::adopt(static_cast<I*>(view));
}
template <class I, class U>
MRef<I> query(const MRef<U>& obj) {
    return query<I>(obj.get());
}

}  // namespace engine
