// Runs the npm package `mikktspace` on a triangle list: node MikkTSpacePeer.js MODULES IN OUT.
// MODULES is the node_modules folder that holds the package; IN holds a little-endian int32
// count N and N triangles of 96 bytes (positions, normals, texture coordinates of the three
// corners, float32); OUT receives N x 12 float32: per corner x, y, z, w.
'use strict';
const fs = require('fs');
const path = require('path');

const [modules, inPath, outPath] = process.argv.slice(2);
const { generateTangents } = require(path.resolve(modules, 'mikktspace'));

const bytes = fs.readFileSync(inPath);
const count = bytes.readInt32LE(0);
const floats = new Float32Array(count * 24);
for (let i = 0; i < floats.length; ++i) floats[i] = bytes.readFloatLE(4 + 4 * i);
const positions = new Float32Array(count * 9);
const normals = new Float32Array(count * 9);
const uvs = new Float32Array(count * 6);
for (let t = 0; t < count; ++t) {
  const tri = floats.subarray(24 * t, 24 * t + 24);
  positions.set(tri.subarray(0, 9), 9 * t);
  normals.set(tri.subarray(9, 18), 9 * t);
  uvs.set(tri.subarray(18, 24), 6 * t);
}
const tangents = generateTangents(positions, normals, uvs);
const out = Buffer.alloc(tangents.length * 4);
for (let i = 0; i < tangents.length; ++i) out.writeFloatLE(tangents[i], 4 * i);
fs.writeFileSync(outPath, out);
