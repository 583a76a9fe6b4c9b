// Intrusive reference counting for the interpreter's shared objects.
//
// Values, texts, element lists and variable tables are shared by reference
// and copied only when a shared one is about to change. The interpreter runs
// on one thread, so the counts are plain integers. Releasing an object never
// recurses: objects whose last reference goes away while another release is
// in progress are queued and destroyed one after the other, so a list nested
// a million levels deep is freed without exhausting the native stack.
#pragma once

#include <cstdint>
#include <utility>

namespace zirn::value {

class RefCounted {
public:
    RefCounted() = default;
    // A copy is a new object with no references of its own yet.
    RefCounted(const RefCounted&) noexcept {}
    RefCounted& operator=(const RefCounted&) noexcept { return *this; }

    std::uint32_t use_count() const { return m_refs; }

protected:
    ~RefCounted() = default;

private:
    template <class T>
    friend class Ref;
    std::uint32_t m_refs = 0;
};

// Destroys `object` now, or queues it when a release is already running.
// `destroy` deletes it as its real type.
void release_object(void* object, void (*destroy)(void*));
// Frees the calling thread's queue of releases; for a thread that ends.
void release_thread_queue();

template <class T>
class Ref {
public:
    Ref() = default;
    explicit Ref(T* object) : m_object(object) { acquire(); }
    Ref(const Ref& other) : m_object(other.m_object) { acquire(); }
    Ref(Ref&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    ~Ref() { release(); }

    Ref& operator=(const Ref& other)
    {
        if (m_object != other.m_object) {
            T* old = m_object;
            m_object = other.m_object;
            acquire();
            release_pointer(old);
        }
        return *this;
    }
    Ref& operator=(Ref&& other) noexcept
    {
        if (this != &other) {
            T* old = m_object;
            m_object = std::exchange(other.m_object, nullptr);
            release_pointer(old);
        }
        return *this;
    }

    T* get() const { return m_object; }
    T& operator*() const { return *m_object; }
    T* operator->() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    bool operator==(const Ref& other) const { return m_object == other.m_object; }

    // True when this is the only reference, so changing the object in place
    // is seen by nobody else.
    bool unique() const { return m_object != nullptr && m_object->m_refs == 1; }

    // Takes over a reference someone gave up with leak(), without counting
    // it again.
    static Ref adopt(T* object)
    {
        Ref ref;
        ref.m_object = object;
        return ref;
    }
    // Gives up this reference without releasing it; the caller now owns the
    // count and hands it back with adopt().
    T* leak() { return std::exchange(m_object, nullptr); }

    void reset()
    {
        release_pointer(m_object);
        m_object = nullptr;
    }

private:
    void acquire()
    {
        if (m_object != nullptr) ++m_object->m_refs;
    }
    void release() { release_pointer(m_object); }
    static void release_pointer(T* object)
    {
        if (object != nullptr && --object->m_refs == 0) {
            release_object(object, [](void* raw) { delete static_cast<T*>(raw); });
        }
    }

    T* m_object = nullptr;
};

template <class T, class... Args>
Ref<T> make(Args&&... args)
{
    return Ref<T>(new T(std::forward<Args>(args)...));
}

}  // namespace zirn::value
