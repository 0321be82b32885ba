// A glTF 2.0 asset of one triangle with stored tangents and a normal texture, written byte by
// byte for the tests: as a .gltf beside its .bin, or as one GLB holding its image.
#ifndef TESTS_GLTFFILES_H
#define TESTS_GLTFFILES_H

#include <string>
#include <vector>

#include "TestFiles.h"

// The triangle's tangents as the file stores them: x, y, z and the bitangent's sign per corner.
inline const std::vector<float> kTangents = {1, 0, 0, 1, 1, 0, 0, -1, 0, 1, 0, 1};

// Positions, normals, texture coordinates (v down), tangents, then `image` padded to 4 bytes.
inline Bytes GltfBuffer(const Bytes& image) {
    Bytes b = Join({FloatBytes({0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}),
                    FloatBytes(kTangents), image});
    while (b.size() % 4 != 0) b.push_back(0);
    return b;
}

// The buffer at `bufferUri` (none in a GLB); the normal texture at `imageUri`, else in the buffer.
inline std::string GltfJson(std::size_t bufferBytes, const std::string& bufferUri,
                            const std::string& imageUri, std::size_t imageBytes) {
    const std::string image = imageUri.empty() ? R"({"bufferView": 1, "mimeType": "image/png"})"
                                               : R"({"uri": ")" + imageUri + R"("})";
    return R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}], "nodes": [{"mesh": 0}],
  "buffers": [{"byteLength": )" +
           std::to_string(bufferBytes) + (bufferUri.empty() ? "" : R"(, "uri": ")" + bufferUri + R"(")") +
           R"(}],
  "bufferViews": [{"buffer": 0, "byteLength": 144}, {"buffer": 0, "byteOffset": 144, "byteLength": )" +
           std::to_string(imageBytes) + R"(}],
  "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]},
    {"bufferView": 0, "byteOffset": 36, "componentType": 5126, "count": 3, "type": "VEC3"},
    {"bufferView": 0, "byteOffset": 72, "componentType": 5126, "count": 3, "type": "VEC2"},
    {"bufferView": 0, "byteOffset": 96, "componentType": 5126, "count": 3, "type": "VEC4"}],
  "images": [)" +
           image + R"(], "textures": [{"source": 0}], "materials": [{"normalTexture": {"index": 0}}],
  "meshes": [{"primitives": [{"attributes": {"POSITION": 0, "NORMAL": 1, "TEXCOORD_0": 2, "TANGENT": 3},
    "material": 0}]}]})";
}

// A .gltf beside its .bin, whose normal texture is the file at `imageUri`.
inline bool WriteGltf(const PeerDir& dir, const std::string& name, const std::string& imageUri) {
    const Bytes buffer = GltfBuffer({});
    return WriteFile(dir.File(name + ".bin"), buffer) &&
           WriteFile(dir.File(name), BytesOf(GltfJson(buffer.size(), name + ".bin", imageUri, 0)));
}

// A GLB holding the normal texture `image` in its binary chunk.
inline Bytes Glb(const Bytes& image) {
    const Bytes bin = GltfBuffer(image);
    std::string json = GltfJson(bin.size(), "", "", image.size());
    json.resize((json.size() + 3) / 4 * 4, ' ');
    return Join({BytesOf("glTF"),
                 U32(2),
                 U32(28 + json.size() + bin.size()),
                 U32(json.size()),
                 BytesOf("JSON" + json),
                 U32(bin.size()),
                 {'B', 'I', 'N', 0},
                 bin});
}

#endif
