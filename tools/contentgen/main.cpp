// Builds every mesh and texture the viewer loads, at the paths it loads them from, relative
// to the working directory (the build folder) or to the folder given as the one argument.
// Exits non-zero, naming the file, when an output cannot be written.
#include "content/content_paths.h"
#include "contentgen.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <numeric>
#include <thread>

namespace {

using Bytes = std::vector<uint8_t>;

struct Output {
    const char* path;
    std::function<Bytes()> build;
    bool slow = false;  // built before the others
};

Bytes X(Mesh m)
{
    RemoveDegenerateFaces(m);
    return MeshToX(m);
}

std::vector<Output> Outputs()
{
    using namespace ContentPath;
    return {
        {TigerMesh, [] { return X(BuildTiger()); }},
        {TurtleMesh, [] { return X(BuildTurtle(false)); }},
        {TurtleMeshB, [] { return X(BuildTurtle(true)); }},
        {TerrainMesh, [] { return X(BuildTerrain()); }},
        {WaterMesh, [] { return X(BuildWater()); }},
        {SkyMesh, [] { return X(BuildSky()); }},
        {DinoMesh, [] { return X(BuildDino()); }},
        {TigerTexture, [] { return EncodeBmp(TigerImage()); }},
        {WhiteSand, [] { return EncodeDds(SandImage()); }},
        {TerrainHeightmap, [] { return EncodeDds(TerrainHeightImage()); }},
        {TurtleTextureB, [] { return EncodeDds(TurtleImage(true)); }},
        {TurtleTexture, [] { return EncodeDds(TurtleImage(false)); }},
        {WaterTexture, [] { return EncodeDds(CoralWaterImage()); }},
        {WaterHeight, [] { return EncodeDds(WaterHeightImage()); }},
        {WaterNormalHeight, [] { return EncodeDds(WaterNormalHeightImage()); }},
        {Sky, [] { return EncodePng(SkyImage()); }},
        {SkyStars, [] { return EncodePng(StarsImage()); }},
        {Clouds, [] { return EncodePng(CloudsImage()); }},
        {Terrain1, [] { return EncodeBmp(GrassImage()); }},
        // As long to bake as all the rest together: started first, while other threads build those.
        {Terrain2, [] { return EncodeDds(TerrainColourImage(BuildTerrain())); }, true},
        {Terrain3, [] { return EncodeBmp(SnowImage()); }},
        {DinoBrown, [] { return EncodeDds(DinoSkinImage(false)); }},
        {DinoOrange, [] { return EncodeDds(DinoSkinImage(true)); }},
        {DinoBump, [] { return EncodeDds(DinoBumpImage()); }},
    };
}

// Returns an empty string on success, else why the file could not be written.
std::string WriteFile(const std::filesystem::path& path, const Bytes& bytes)
{
    if (bytes.empty()) return "nothing was encoded";
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec) return "cannot create its folder: " + ec.message();
    FILE* f = std::fopen(path.string().c_str(), "wb");
    if (!f) return std::strerror(errno);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    return written && closed ? "" : "write failed";
}

// Every output built on as many threads as there are cores (they share no state), the slow
// ones first; the files are written after, in list order.
std::vector<Bytes> BuildAll(const std::vector<Output>& outputs)
{
    std::vector<size_t> order(outputs.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_partition(order.begin(), order.end(), [&](size_t i) { return outputs[i].slow; });
    std::vector<Bytes> built(outputs.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t k; (k = next++) < order.size();) built[order[k]] = outputs[order[k]].build();
    };
    const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    std::vector<std::thread> threads;
    for (unsigned t = 1; t < cores; ++t) threads.emplace_back(work);
    work();
    for (std::thread& t : threads) t.join();
    return built;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 2) {
        std::fprintf(stderr, "usage: contentgen [output-root]\n");
        return 2;
    }
    const std::filesystem::path root = argc == 2 ? argv[1] : ".";
    const std::vector<Output> outputs = Outputs();
    const std::vector<Bytes> built = BuildAll(outputs);
    for (size_t i = 0; i < outputs.size(); ++i) {
        const std::filesystem::path path = root / outputs[i].path;
        const std::string error = WriteFile(path, built[i]);
        if (!error.empty()) {
            std::fprintf(stderr, "contentgen: cannot write %s: %s\n", path.string().c_str(), error.c_str());
            return 1;
        }
    }
    return 0;
}
