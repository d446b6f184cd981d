// Every content file the viewer reads, relative to its working directory. The content and
// effect builders write to exactly these paths under the build folder.
#pragma once

namespace ContentPath {
// The folder that holds them all
constexpr const char* Root = "./Content";

// Meshes
constexpr const char* TigerMesh = "./Content/Models/tiger.x";
constexpr const char* TurtleMesh = "./Content/Models/brin_rocketturtle.x";
constexpr const char* TurtleMeshB = "./Content/Models/tarnrocketturtle.x";
constexpr const char* TerrainMesh = "./Content/Models/brinterrain.x";
constexpr const char* WaterMesh = "./Content/Models/water_high.x";
constexpr const char* SkyMesh = "./Content/Models/skyhemi.x";
constexpr const char* DinoMesh = "./Content/Models/dino.x";

// Textures (WhiteSand.dds is loaded three times, as sand, foam and terrain layer 0)
constexpr const char* TigerTexture = "./Content/Textures/tiger.bmp";
constexpr const char* WhiteSand = "./Content/Textures/WhiteSand.dds";
constexpr const char* TerrainHeightmap = "./Content/Textures/terrain_heightmap.dds";
constexpr const char* TurtleTextureB = "./Content/Textures/tarnturtletexture.dds";
constexpr const char* TurtleTexture = "./Content/Textures/brinturtletexture.dds";
constexpr const char* WaterTexture = "./Content/Textures/coral_water.dds";
constexpr const char* WaterHeight = "./Content/Textures/waterheight.dds";
constexpr const char* WaterNormalHeight = "./Content/Textures/water_normalheight.dds";
constexpr const char* Sky = "./Content/Textures/sky.png";
constexpr const char* SkyStars = "./Content/Textures/sky_stars.png";
constexpr const char* Clouds = "./Content/Textures/niceclouds.png";
constexpr const char* Terrain1 = "./Content/Textures/terrain1.bmp";
constexpr const char* Terrain2 = "./Content/Textures/terrain2.dds";
constexpr const char* Terrain3 = "./Content/Textures/terrain3.bmp";
constexpr const char* DinoBrown = "./Content/Textures/dino_brown.dds";
constexpr const char* DinoOrange = "./Content/Textures/dino_orange.dds";
constexpr const char* DinoBump = "./Content/Textures/dino_bump.dds";

// Effects, compiled by the build from shaders/
constexpr const char* DefaultEffect = "./Content/Shaders/Default.fx";
constexpr const char* PostProcessEffect = "./Content/Shaders/PostProcess.fx";
}  // namespace ContentPath
