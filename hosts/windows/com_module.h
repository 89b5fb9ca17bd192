// What both in-process COM servers share: the count of live objects that
// DllCanUnloadNow answers from, a class factory, and reading the stream a
// host hands over into memory, within a bound.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <initializer_list>
#include <new>
#include <string>
#include <vector>

#include "hosts/common/zavik_host.h"

namespace zavik_com {

// Objects and server locks alive in this DLL; the DLL may be unloaded at 0.
void AddModuleReference();
void ReleaseModuleReference();
bool ModuleInUse();

// The most a stream may hold: the bound every host of the library keeps
// (hosts/common/zavik_host.h), which refuses only what could never open.
constexpr ULONGLONG kMaxStreamBytes = ZAVIK_HOST_MAX_FILE_BYTES;

// Reads the stream from its start to its end into bytes. Fails, with
// nothing kept, when the stream says or turns out to be longer than
// kMaxStreamBytes, when a read fails, or when memory runs out.
HRESULT ReadWholeStream(IStream* stream, std::vector<unsigned char>& bytes);

// A name for the library that stands for the stream's file: the extension
// of the name the stream reports (ASCII letters and digits only), since
// the readers know a JPEG by its extension; "" when there is none.
std::string StreamNameForLibrary(IStream* stream);

// The reference count of a COM object of this DLL, which also counts in
// the module's references while it lives. A class derives from its
// interfaces and from this, names the interfaces it answers to in Find,
// and puts ZAVIK_COM_IUNKNOWN in its public part.
class ComObject {
protected:
    ComObject() { AddModuleReference(); }
    virtual ~ComObject() { ReleaseModuleReference(); }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    // This object as the interface riid, or null.
    virtual IUnknown* Find(REFIID riid) = 0;

    // object when riid is one of ids, else null: Find's building block.
    static IUnknown* AnswerFor(REFIID riid, std::initializer_list<IID> ids, IUnknown* object)
    {
        for (const IID& id : ids)
            if (IsEqualIID(riid, id))
                return object;
        return nullptr;
    }

    HRESULT Query(REFIID riid, void** out)
    {
        if (!out)
            return E_POINTER;
        IUnknown* found = Find(riid);
        *out = found;
        if (!found)
            return E_NOINTERFACE;
        found->AddRef();
        return S_OK;
    }
    ULONG AddReference() { return InterlockedIncrement(&refs_); }
    ULONG ReleaseReference()
    {
        ULONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return left;
    }

private:
    LONG refs_ = 1;
};

#define ZAVIK_COM_IUNKNOWN                                                                         \
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override { return Query(riid, out); }    \
    STDMETHODIMP_(ULONG) AddRef() override { return AddReference(); }                              \
    STDMETHODIMP_(ULONG) Release() override { return ReleaseReference(); }

// Creates objects of class T (which has a constructor without arguments
// and is born with one reference).
template <class T>
class ClassFactory final : public IClassFactory, private ComObject {
public:
    ZAVIK_COM_IUNKNOWN

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        T* object = new (std::nothrow) T();
        if (!object)
            return E_OUTOFMEMORY;
        HRESULT hr = object->QueryInterface(riid, out);
        object->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override
    {
        if (lock)
            AddModuleReference();
        else
            ReleaseModuleReference();
        return S_OK;
    }

private:
    IUnknown* Find(REFIID riid) override { return AnswerFor(riid, {IID_IUnknown, IID_IClassFactory}, this); }
};

// DllGetClassObject for one class.
template <class T>
HRESULT GetClassObject(REFCLSID wanted, REFCLSID served, REFIID riid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(wanted, served))
        return CLASS_E_CLASSNOTAVAILABLE;
    ClassFactory<T>* factory = new (std::nothrow) ClassFactory<T>();
    if (!factory)
        return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(riid, out);
    factory->Release();
    return hr;
}

} // namespace zavik_com
