// Every technique and parameter name the program sets on its two effects, with its type.
// The effect sources under shaders/ must declare these names with these types.
#pragma once

enum class ParamType {
    Texture,  // SetTexture
    Float,    // SetFloat
    Vector4,  // SetVector, 16 bytes
    Float3,   // SetValue with 12 bytes
    Matrix,   // SetMatrix, 4x4 rows, p' = p * M
};

struct EffectParam {
    const char* name;
    ParamType type;
};

// "./Content/Shaders/Default.fx"
namespace DefaultFx {
constexpr const char* TechniqueDefault = "Default";
constexpr const char* TechniqueTerrain = "Terrain";
constexpr const char* TechniqueWater = "Water";
constexpr const char* TechniqueNormalMapped = "Default_NormalMapped";
constexpr const char* TechniqueHeight = "Height";

constexpr EffectParam Terrain0{"Terrain0", ParamType::Texture};
constexpr EffectParam Terrain1{"Terrain1", ParamType::Texture};
constexpr EffectParam Terrain2{"Terrain2", ParamType::Texture};
constexpr EffectParam Terrain3{"Terrain3", ParamType::Texture};
constexpr EffectParam FoamTexture{"FoamTexture", ParamType::Texture};
constexpr EffectParam AccumulatedTime{"AccumulatedTime", ParamType::Float};
constexpr EffectParam SourceSize{"SourceSize", ParamType::Vector4};
constexpr EffectParam CameraPosition{"CameraPosition", ParamType::Float3};
constexpr EffectParam CameraDirection{"CameraDirection", ParamType::Float3};
constexpr EffectParam ViewProj{"ViewProj", ParamType::Matrix};
constexpr EffectParam View{"View", ParamType::Matrix};
constexpr EffectParam TerrainHeight{"TerrainHeight", ParamType::Texture};
constexpr EffectParam HeightViewProj{"HeightViewProj", ParamType::Matrix};
constexpr EffectParam WaterReflection{"WaterReflection", ParamType::Texture};
constexpr EffectParam WaterRefraction{"WaterRefraction", ParamType::Texture};
constexpr EffectParam Texture{"Texture", ParamType::Texture};
constexpr EffectParam NormalHeightMap{"NormalHeightMap", ParamType::Texture};
constexpr EffectParam DisplacementMap{"DisplacementMap", ParamType::Texture};
constexpr EffectParam SpecPower{"specPower", ParamType::Float};
constexpr EffectParam SpecColor{"specColor", ParamType::Vector4};
constexpr EffectParam World{"World", ParamType::Matrix};

constexpr const char* Techniques[] = {TechniqueDefault, TechniqueTerrain, TechniqueWater, TechniqueNormalMapped,
                                      TechniqueHeight};
constexpr EffectParam Params[] = {Terrain0, Terrain1, Terrain2, Terrain3, FoamTexture, AccumulatedTime,
                                  SourceSize, CameraPosition, CameraDirection, ViewProj, View, TerrainHeight,
                                  HeightViewProj, WaterReflection, WaterRefraction, Texture, NormalHeightMap,
                                  DisplacementMap, SpecPower, SpecColor, World};
}  // namespace DefaultFx

// "./Content/Shaders/PostProcess.fx"
namespace PostFx {
constexpr const char* TechniqueCopy = "Copy";

constexpr EffectParam AccumulatedTime{"AccumulatedTime", ParamType::Float};
constexpr EffectParam ElapsedTime{"elapsedTime", ParamType::Float};
constexpr EffectParam CombineTexture{"CombineTexture", ParamType::Texture};
constexpr EffectParam SourceSize{"SourceSize", ParamType::Vector4};

constexpr const char* Techniques[] = {TechniqueCopy};
constexpr EffectParam Params[] = {AccumulatedTime, ElapsedTime, CombineTexture, SourceSize};
}  // namespace PostFx
