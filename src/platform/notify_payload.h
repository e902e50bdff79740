// The heap object a posted task message carries: a CString, a StringRecord or any other
// type. Ownership travels with the message; whoever holds the payload last frees it.
#pragma once

#include <memory>
#include <typeinfo>
#include <utility>
#include <vector>

#include "platform/cstring.h"

// A list of texts sent as one message (a detail record, a progress record).
using StringRecord = std::vector<CString>;

namespace tabulon::platform {

class CNotifyPayload {
  public:
    CNotifyPayload() = default;
    template <typename T>
    CNotifyPayload(std::unique_ptr<T> object)  // NOLINT: implicit, so Post(code, ptr) reads well
        : m_object(object.release()), m_delete(&Delete<T>), m_type(&typeid(T)) {}
    CNotifyPayload(CNotifyPayload&& other) noexcept { Swap(other); }
    CNotifyPayload& operator=(CNotifyPayload&& other) noexcept {
        CNotifyPayload(std::move(other)).Swap(*this);
        return *this;
    }
    CNotifyPayload(const CNotifyPayload&) = delete;
    CNotifyPayload& operator=(const CNotifyPayload&) = delete;
    ~CNotifyPayload() {
        if (m_object)
            m_delete(m_object);
    }

    bool IsEmpty() const { return m_object == nullptr; }

    // The object when it was posted as a T (exactly that type, not a base), otherwise null.
    template <typename T>
    T* Get() const {
        return (m_object && *m_type == typeid(T)) ? static_cast<T*>(m_object) : nullptr;
    }
    CString* Text() const { return Get<CString>(); }
    StringRecord* Record() const { return Get<StringRecord>(); }

    // Takes the object out when it is a T (the payload is then empty), otherwise null.
    template <typename T>
    std::unique_ptr<T> Release() {
        T* object = Get<T>();
        if (object)
            m_object = nullptr;
        return std::unique_ptr<T>(object);
    }

  private:
    template <typename T>
    static void Delete(void* object) {
        delete static_cast<T*>(object);
    }
    void Swap(CNotifyPayload& other) noexcept {
        std::swap(m_object, other.m_object);
        std::swap(m_delete, other.m_delete);
        std::swap(m_type, other.m_type);
    }

    void* m_object = nullptr;
    void (*m_delete)(void*) = nullptr;
    const std::type_info* m_type = nullptr;
};

}  // namespace tabulon::platform
