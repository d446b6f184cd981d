#include "fx_model.h"

RegisterSet Param::registerSet() const
{
    if (kind == ParamKind::Sampler) return RegisterSet::Sampler;
    if (kind == ParamKind::Texture) return RegisterSet::None;
    return RegisterSet::Float4;
}

int Param::registerCount() const { return kind == ParamKind::Matrix ? rows : 1; }

const Param* FindParam(const Effect& effect, const std::string& name)
{
    for (const Param& param : effect.params)
        if (param.name == name) return &param;
    return nullptr;
}
