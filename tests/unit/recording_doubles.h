// An effect and a mesh that write the calls the renderer makes into one shared log, in order.
#pragma once
#include <string>
#include <vector>

#include "tests/unit/null_doubles.h"

struct Call {
    std::string method;            // "SetTexture", "DrawSubset", ...
    std::string name;              // parameter or technique; the mesh's label for DrawSubset
    std::vector<float> values;     // SetFloat, SetVector, SetMatrix, SetValue
    const void* object = nullptr;  // SetTexture's texture; Begin's pass-count output
    unsigned number = 0;           // Begin's flags, BeginPass's pass, DrawSubset's subset
};
using CallLog = std::vector<Call>;

// "Method name" for each call, for comparing sequences.
inline std::vector<std::string> Summary(const CallLog& log)
{
    std::vector<std::string> lines;
    for (const Call& call : log) lines.push_back(call.name.empty() ? call.method : call.method + " " + call.name);
    return lines;
}

inline std::vector<float> Values(const D3DXMATRIX& m) { return std::vector<float>(&m._11, &m._11 + 16); }

class RecordingEffect : public NullEffect {
public:
    explicit RecordingEffect(CallLog& log) : log(log) {}
    CallLog& log;

    // Handles are the names themselves, as the program passes them.
    D3DXHANDLE STDMETHODCALLTYPE GetTechniqueByName(const char* name) override { return name; }
    HRESULT STDMETHODCALLTYPE SetTexture(D3DXHANDLE p, IDirect3DBaseTexture9* texture) override
    {
        return Add("SetTexture", p, {}, texture);
    }
    HRESULT STDMETHODCALLTYPE SetFloat(D3DXHANDLE p, FLOAT f) override { return Add("SetFloat", p, {f}); }
    HRESULT STDMETHODCALLTYPE SetVector(D3DXHANDLE p, const D3DXVECTOR4* v) override
    {
        return Add("SetVector", p, {v->x, v->y, v->z, v->w});
    }
    HRESULT STDMETHODCALLTYPE SetMatrix(D3DXHANDLE p, const D3DXMATRIX* m) override
    {
        return Add("SetMatrix", p, Values(*m));
    }
    HRESULT STDMETHODCALLTYPE SetValue(D3DXHANDLE p, const void* data, UINT bytes) override
    {
        const float* f = static_cast<const float*>(data);
        return Add("SetValue", p, std::vector<float>(f, f + bytes / sizeof(float)));
    }
    HRESULT STDMETHODCALLTYPE SetTechnique(D3DXHANDLE t) override { return Add("SetTechnique", t); }
    HRESULT STDMETHODCALLTYPE Begin(UINT* passes, DWORD flags) override { return Add("Begin", "", {}, passes, flags); }
    HRESULT STDMETHODCALLTYPE BeginPass(UINT pass) override { return Add("BeginPass", "", {}, nullptr, pass); }
    HRESULT STDMETHODCALLTYPE EndPass() override { return Add("EndPass"); }
    HRESULT STDMETHODCALLTYPE End() override { return Add("End"); }
    HRESULT STDMETHODCALLTYPE CommitChanges() override { return Add("CommitChanges"); }

private:
    HRESULT Add(const char* method, D3DXHANDLE name = "", std::vector<float> values = {}, const void* object = nullptr,
                unsigned number = 0)
    {
        log.push_back({method, name ? name : "(null)", std::move(values), object, number});
        return S_OK;
    }
};

class RecordingMesh : public NullMesh {
public:
    RecordingMesh(CallLog& log, std::string label) : log(log), label(std::move(label)) {}
    CallLog& log;
    std::string label;

    HRESULT STDMETHODCALLTYPE DrawSubset(DWORD subset) override
    {
        log.push_back({"DrawSubset", label, {}, this, subset});
        return S_OK;
    }
};
