// Run-time class information: each class that declares it can name itself
// and its base, so that code holding a base pointer can ask what it has.
#pragma once

struct CRuntimeClass {
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;

    bool IsDerivedFrom(const CRuntimeClass* base) const
    {
        for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass)
            if (c == base)
                return true;
        return false;
    }
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const { return &classCObject; }
    bool IsKindOf(const CRuntimeClass* c) const { return GetRuntimeClass()->IsDerivedFrom(c); }

    static const CRuntimeClass classCObject;
};

#define RUNTIME_CLASS(name) (&name::class##name)

#define DECLARE_DYNAMIC(name)                                                  \
public:                                                                        \
    static const CRuntimeClass class##name;                                    \
    const CRuntimeClass* GetRuntimeClass() const override { return &class##name; }

#define IMPLEMENT_DYNAMIC(name, base) \
    const CRuntimeClass name::class##name = {#name, RUNTIME_CLASS(base)};
