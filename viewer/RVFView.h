// RVFView: the viewer's globals and routines.
//
// The whole view state lives in the module-level globals below; the GLUT callbacks and the
// routines they call read and change them. Everything runs on the one thread of the GLUT event
// loop. Arrays behind the owning pointers are released with array delete before they are
// replaced; nothing releases them at exit.
#ifndef VIEWER_RVFVIEW_H
#define VIEWER_RVFVIEW_H

#include <GL/gl.h>

#include <cstdio>
#include <string>

#include "mesh/RvFileIO.h"

// ---------------------------------------------------------------------------------------------
// View state.

extern GLfloat gLightpos[4];  // light in eye coordinates (homogeneous): at the eye until a light drag
extern GLfloat gViewMat[16];  // object-to-eye matrix, column-major, translation in 12..14
extern GLfloat gFov;          // vertical field of view, degrees
extern GLfloat gClipNear;
extern GLfloat gClipFar;
extern GLint gWidth;  // window size in pixels, kept by Reshape
extern GLint gHeight;
extern int gViewMode;  // shading mode 0..3: dot3-lit map, map colours, vertex lighting, alpha
extern bool gWireframe;
extern bool gShowNormals;
extern bool gShowTanCoord;
extern bool gInTangentSpace;  // light vectors are carried into each vertex's tangent frame
extern int gBackground;       // clear colour, one of the kBackground values below
extern int gBasis;            // the tangent basis the mesh is welded in, a kBasis value below
extern bool gGreenDown;       // the map's green channel points down (-Y): flipped as it is uploaded

extern bool gEngineView;  // the object is shaded per pixel by the engine view's shaders
extern int gEngineShow;   // what the engine view shows, a kShow value below

// What the engine view shows, in the order the "a" key steps through them there: the mapped
// normal lit (Lambert, then with a Blinn highlight), as colour, the tangent, bitangent and vertex
// normal as colours, and the angle between the mapped normals of the own basis and MikkTSpace.
enum {
    kShowLit,
    kShowHighlight,
    kShowMappedNormal,
    kShowTangent,
    kShowBitangent,
    kShowNormal,
    kShowDisagreement,
    kShowCount
};

// The clear colours: the start-up black, then those the "b" key steps through in this order.
enum { kBackgroundBlack, kBackgroundBlue, kBackgroundGrey, kBackgroundWhite, kBackgroundCount };

// The tangent bases: the library's own smoothed frames (the start-up basis), MikkTSpace, and the
// tangents the mesh file stores (gFileTangents), which only a mesh that has them is welded in.
enum { kBasisOwn, kBasisMikkTSpace, kBasisFile, kBasisCount };

// Mouse buttons: position at the press or the last drag step, and whether the button is held.
extern GLint gLeftX, gLeftY;
extern GLuint gLeftDown;
extern GLint gRightX, gRightY;
extern GLuint gRightDown;
extern GLint gMiddleX, gMiddleY;
extern GLuint gMiddleDown;
extern bool gLeftMovesLight;  // the left button went down with Ctrl: its drag moves the light

// The loaded mesh and map.
extern int gNumTris;
extern RvRawTriangle* gTriangles;  // as read from the file; only the weld reads it
extern float* gFileTangents;       // the tangents the mesh file stores, 12 floats a triangle of
                                   // gTriangles (x, y, z, w a corner, w the bitangent's sign
                                   // against cross(N, T)), or null when it stores none
extern bool gMeshImported;         // the mesh came through the importer, not from an RVF file
extern int gNumVerts;
extern RvTangentPointD* gVertices;  // welded vertices, positions centred and scaled
extern RvIndex* gIndices;           // gNumTris index triples into gVertices
extern float* gTangentSigns;        // per vertex of gVertices the sign w of its frame (+1 or -1):
                                    // its binormal points along w * cross(normal, tangent)
extern double* gLightVec;           // 3 packed light-vector components per vertex
extern KivBitmap gTexInfo;          // the normal map, texels red first, rows bottom first
extern bool gMapGreyscale;          // the map's file holds grey samples: a height map
extern bool gHaveTexture;           // gTextureID was created by TextureInit
extern std::string gMeshPath;       // the files the mesh and the map were loaded from
extern std::string gMapPath;
extern bool gMapInMesh;  // the map was stored inside the mesh file (gMapPath is then gMeshPath)
extern GLuint gTextureID;

// ---------------------------------------------------------------------------------------------
// Start-up and view state.

// Prints the banner and the key help on standard output.
void PrintKeyHelp();
// True when the X display that DISPLAY names can be opened; otherwise false after one line on
// standard output that says RVFView needs one and rvfrender works without.
bool CheckDisplay();
// Fixed GL state; once, after the window exists.
void StateInit();
// Allocates a zeroed gLightVec for gNumVerts vertices, replacing the old one, and marks the
// mesh as changed (MeshChanged). Ends the process with status -1 when there are no vertices or
// the array cannot be allocated.
void ObjectInit();
// Uploads gTexInfo as a mip-mapped texture into a new texture object, deleting the previous one;
// with gGreenDown its green channel is uploaded as 255 - green, so every mode reads the map green
// up, and gTexInfo's texels are left as they were. Ends the process with status -1 for a format
// other than 888 or 8888.
void TextureInit();
// Resets gViewMat to the start-up view: identity rotation, 65 units in front of the eye.
void MatrixInit();
// Puts the light back at the eye.
void LightInit();
// GLUT reshape callback: keeps the new window size for the next frame.
void Reshape(int w, int h);
// Keeps `background` (a kBackground value; any other is black) in gBackground and makes its
// colour the clear colour.
void SetBackground(int background);

// Into *basis the basis that `word` names on a command line ("own", "mikktspace", "file"); false when it
// names none.
bool BasisNamed(const char* word, int* basis);
// The name of `basis` on the console: "own", "MikkTSpace", "file".
const char* BasisTitle(int basis);

// Drag steps, as one pointer move with a button held makes them. Each eye-space vector is
// carried into the object's coordinates (EyeToObject) before it turns or moves gViewMat.
// Left button: turns the object aboutX degrees about the screen's x axis and aboutY about its y.
void DragRotate(GLfloat aboutX, GLfloat aboutY);
// Middle button: moves the object `right` and `up` eye units.
void DragPan(GLfloat right, GLfloat up);
// Right button: brings the object `nearer` eye units towards the eye (away when negative).
void DragZoom(GLfloat nearer);
// Left button with Ctrl: turns gLightpos about the object's centre aboutX degrees about the
// screen's x axis, then aboutY about its y axis, so that the light follows the pointer.
void DragLight(GLfloat aboutX, GLfloat aboutY);
// The eye-space direction v in the coordinates of the object that gViewMat places, into o.
void EyeToObject(const GLfloat* v, GLfloat* o);

// Matrices are 16 floats, column-major; vectors 3 floats.
// Fills `matrix` with the identity.
void matrixIdentity(GLfloat* matrix);
// Inverse of the rigid motion `in` (rotation and translation only) into `out`; in != out.
void matrixInvert(const GLfloat* in, GLfloat* out);
// The point vecIn carried by m (w = 1, no division) into vecOut.
void vecMatMult(const GLfloat* vecIn, const GLfloat* m, GLfloat* vecOut);
// The direction vecIn carried by the 3 x 3 part of m into vecOut.
void vecMat3x3Mult(const GLfloat* vecIn, const GLfloat* m, GLfloat* vecOut);
// Scales vec to unit length in place; a vector shorter than 1e-7 becomes (0, 0, 1).
void Normalize(GLfloat* vec);
// m = m x R, R the right-handed rotation by `degrees` about axis 0, 1 or 2 (as glRotatef).
void matrixRotate(GLfloat* m, GLfloat degrees, int axis);
// m = m x T(o), a translation by the three floats o (as glTranslatef).
void matrixTranslate(GLfloat* m, const GLfloat* o);

// ---------------------------------------------------------------------------------------------
// Loading. Messages go to standard output; no GL state is touched. Files are told by their
// content: an RVF mesh and a plain Targa stored bottom row first are read by the library's own
// readers, every other mesh through the importer and every other map (PNG, JPEG, any Targa)
// through the import library's decoders. A failure prints the loader's line and, where it can
// tell, one more: the system's reason when a file cannot be opened or is a directory, the
// importer's or the decoder's reason, or what the file is when it is not of the asked role.

// Reads, welds (in the tangent basis gBasis), centres and scales the mesh in `objectFile`; the
// previous mesh is dropped first, so after false there is no mesh. Triangles with a NaN or an
// infinity are left out, with one line that counts them; a mesh with none left, or wider than a
// float holds, is refused. An imported mesh keeps the tangents its file stores in gFileTangents
// and what its material names as its normal map (MeshNamesMap).
bool LoadObjectFile(const char* objectFile);
// Welds gTriangles again in `basis` into gVertices, gIndices and gTangentSigns, centred and scaled
// as a load does, and keeps `basis` in gBasis; ObjectInit must follow. False, with the mesh and
// gBasis as they were, after one line when there is not the memory.
bool WeldInBasis(int basis);
// Reads the map in `textureFile` into gTexInfo as 24- or 32-bit texels, red first, bottom row
// first, and whether its file holds grey samples into gMapGreyscale.
bool LoadTextureFile(const char* textureFile);
// True when the mesh loaded last is an imported one whose material names a normal map.
bool MeshNamesMap();
// Loads the normal map the mesh's material names: a file through LoadTextureFile, or an image
// stored inside the mesh file, decoded from its bytes (gMapPath then names the mesh file and
// gMapInMesh is set). False after the loader's messages, or silently when it names none.
bool LoadMeshMap();
// Prints what is loaded on standard output: triangles, welded vertices and the map's size and
// depth in one line, then one line of warnings when there are any.
void PrintLoadSummary();
// Asks for a mesh and then a map through the choosers until each loads.
void LoadNewObjectAndMap();
// Asks with `choose` (a chooser below) until `load` accepts the chosen file.
void ChooseUntilLoaded(bool (*choose)(int*, char*), bool (*load)(const char*));
// Asks for a mesh and then a map, each until it loads, and keeps them. When the user gives no
// file, the mesh and map loaded before stay as they were and false is returned after one line.
bool ChooseObjectAndMapKeepingCurrent();
// Loads the mesh and the map in these two files, or with a null textureFile the map the mesh
// names (LoadMeshMap); when either fails (after its loader's message) the mesh and map loaded
// before stay as they were and false is returned.
bool LoadObjectAndMapKeepingCurrent(const char* objectFile, const char* textureFile);

// ---------------------------------------------------------------------------------------------
// Shading modes. Display calls one Setup routine, DrawObject and the matching Clear routine.

// Fills gLightVec with the packed unit direction from each vertex to objLightPos (object
// coordinates), in the vertex's tangent frame when inTangentSpace.
void ComputeLightVectors(GLfloat* objLightPos, bool inTangentSpace);
// Draws the indexed mesh; withColor feeds gLightVec as per-vertex colours. The mesh is drawn
// from GL buffer objects in single precision, made at the first draw after MeshChanged (from
// the doubles in client memory when GL cannot hold them). Each draw sends the colours and, for
// filled polygons, only the triangles that cover a pixel centre: the pixels are the same.
void DrawObject(bool withColor);
// Tells DrawObject and the engine view that gVertices or gIndices now hold another mesh, or
// other numbers: their buffers are made again at the next draw. No GL; ObjectInit calls it.
void MeshChanged();
// Gives `buffer` `bytes` bytes of storage for `target` with `usage` and fills them through a
// mapping with write(data); leaves no buffer bound. False when GL has no room or lost the data.
bool FillBuffer(GLenum target, GLuint buffer, size_t bytes, GLenum usage, void (*write)(void*));
// An offset into a bound buffer object, as GL's pointer arguments take it.
inline const void* BufferOffset(size_t bytes) { return reinterpret_cast<const void*>(bytes); }
// One vertex as FindCoveringTriangles places it on the screen.
struct CoveringVertex {
    float x, y;             // window coordinates less a half; NaN when they cannot be trusted
    int after[2], upTo[2];  // the pixels k of each axis whose centre lies near: after < k <= upTo
};
// Finds those of the numTris `triangles` that may make a fragment: that cover a pixel centre of
// `viewport` (x, y, width, height) or pass within `margin` pixels of one, the positions (3 floats
// each) carried to clip coordinates by `clipFromObject` (16 doubles, column-major); a triangle
// with a corner not in front of the eye (clip w <= 0) is one. GL makes fragments of a filled
// triangle, without smoothing or multisampling, only at the centres it covers. No GL.
// The triangles are looked at in chunks on a second thread; each chunk's are written to `kept`
// from the chunk's first slot on, in their order, and send(slot, count, context) is called on
// the caller's thread for every chunk with some, chunk after chunk, while the next are found.
// placed has room for numVerts records and kept for 3 x numTris indices; until this returns the
// caller changes none of them, nor the positions or the triangles.
void FindCoveringTriangles(const float* positions, int numVerts, const RvIndex* triangles, int numTris,
                           const double* clipFromObject, const float* viewport, double margin,
                           CoveringVertex* placed, GLuint* kept,
                           void (*send)(int first, int count, void* context), void* context);
// Mode 1: the map's colours.
void SetupNormalMapState();
void ClearNormalMapState();
// Mode 0: the map's normals lit per pixel by the dot3 combiner.
void SetupBumpState();
void ClearBumpState();
// Mode 2: fixed-function lighting with light 0 at worldLightPos (object coordinates); the
// model-view matrix must hold gViewMat.
void SetupLightState(GLfloat* worldLightPos);
void ClearLightState();
// Mode 3: the map's alpha as grey.
void SetupAlphaState();
void ClearAlphaState();

// ---------------------------------------------------------------------------------------------
// Engine view: the object shaded per pixel by GLSL shaders as engines do, in place of the shading
// mode while gEngineView is set (the wire-frame and the overlays stay as they are).

// True when the engine view's shaders run in the current context: they are built at the first
// call after EngineContextChanged. Otherwise false, once after one line that says so (after the
// compiler's log when a shader does not build).
bool EngineViewReady();
// Tells the engine view that a context is set up (StateInit calls it): its shaders and buffers
// are made again there, and those it still has there, when it is the same context, deleted.
void EngineContextChanged();
// Tells the engine view that the mesh changed: its buffers are made again at the next draw.
void EngineMeshChanged();
// True when `program` is one of the engine view's, whose vertex shaders place vertices with
// ftransform, as the fixed-function transform does.
bool IsEngineProgram(GLuint program);
// Prints what the engine view shows (gEngineShow), and the legend of the disagreement view.
void PrintEngineShow();
// Draws the object in the engine view, showing gEngineShow lit from worldLightPos (object
// coordinates); `draw` submits the welded mesh. Needs EngineViewReady. False, after one line,
// when there is not the memory for it: nothing was drawn.
bool DrawEngineObject(GLfloat* worldLightPos, void (*draw)(bool withColor));

// ---------------------------------------------------------------------------------------------
// Frame and overlays.

// GLUT display callback: draws one frame from the globals (DrawFrame) and swaps the buffers.
void Display();
// Draws one frame from the globals into the current context and waits for GL to finish; the
// buffers are not swapped. It takes the four steps below in order, then glFinish.
void DrawFrame();
// Step 1: fills gLightVec for the light gLightpos (not in the engine view, which needs none);
// worldLightPos receives the light in the object's coordinates (3 floats). No GL.
void FrameLightVectors(GLfloat* worldLightPos);
// Step 2: prints a GL error left by earlier calls (tagged "Display"), clears the buffers and
// sets the viewport, the projection for gWidth x gHeight and gViewMat as the model-view matrix.
void FrameView();
// Step 3: draws the object in the shading mode gViewMode (a value out of range becomes 0), in
// the engine view when gEngineView (cleared when the engine view cannot draw), or as the white
// wire-frame; worldLightPos as step 1 made it. `draw` submits the mesh.
void FrameObject(GLfloat* worldLightPos, void (*draw)(bool withColor) = DrawObject);
// Step 4: draws the normals and the tangent frames where they are switched on.
void FrameOverlays();
// One line per vertex from its position along its normal, tangent or binormal times `offset`.
void DrawNormal(double offset);
void DrawTangent(double offset);
void DrawBinormal(double offset);

// ---------------------------------------------------------------------------------------------
// Input. The handlers change globals and the clear colour and ask for a redisplay.

// GLUT keyboard callback.
void KeyFunc(unsigned char key, int x, int y);
// Records presses and releases of the three buttons.
void MouseUpDown(int button, int state, int x, int y);
// GLUT mouse callback: notes whether Ctrl is held when the left button goes down
// (gLeftMovesLight), then MouseUpDown.
void MouseButtonFunc(int button, int state, int x, int y);
// GLUT motion callback: rotates (left), pans (middle) and zooms (right) gViewMat; a left drag
// begun with Ctrl moves the light instead.
void MouseMove(int x, int y);

// GLUT special-key callback: F5 reloads the mesh and the map from their files; F12 saves the
// next frame as a PNG.
void SpecialKeyFunc(int key, int x, int y);

// ---------------------------------------------------------------------------------------------
// Reload, watch and screenshots. Messages go to standard output.

// Reads gMeshPath and gMapPath again and shows what they hold now (ObjectInit, TextureInit);
// the view, mode, toggles and background stay. True after "Reloaded MESH and MAP." and the load
// summary; when either file does not load, false after the loader's message and one line, the
// old mesh and map kept.
bool ReloadObjectAndMap();
// Reloads whenever the mesh or map file on screen has changed and then stayed unchanged for
// half a second, through a GLUT timer that stats both files ten times a second. Needs the window.
void StartWatching();

// Set to save the next frame before it is shown (the F12 key).
extern bool gScreenshotAsked;
// When gScreenshotAsked, clears it and saves the frame just drawn (SaveScreenshot). Call between
// drawing and the buffer swap.
void SaveAskedScreenshot();
// Writes the back buffer (gWidth x gHeight) as a PNG beside the mesh, MESH-001.png or the first
// free number, or in the working directory when the mesh's directory takes no new file. Prints
// the path on a line of its own and returns true, or false after one line saying why not.
bool SaveScreenshot();

// ---------------------------------------------------------------------------------------------
// GL checks. Output goes to standard output.

// Prints one pending GL error, if any, followed by `header` when it is not null.
void PrintError(const char* header);
// 1 when `extension` is a whole word of the GL_EXTENSIONS string, else 0. Needs a current
// context on the first call with a usable name; the string is cached for the run.
int extensionSupported(const char* extension);
// Whether the current context's GL_VERSION is at least major.minor.
bool GlVersionAtLeast(int major, int minor);
// Ends the process with status -1 when the combine or dot3 texture environment is missing.
void checkExtensions();

// ---------------------------------------------------------------------------------------------
// File choosers. `filename` is the caller's 1024-character buffer; `dummy` is ignored. On true
// it holds a path for fopen; when the user gives no file the process ends with status -1.
// A desktop dialog is used when there is a display and zenity is on the PATH: it offers the
// chooser's kind of file first and all files second, and its messages on standard error are shown
// only when it fails, after which the console asks. Otherwise the title is shown on standard
// output and one path is read from standard input.
bool GetRVFFileName(int* dummy, char* filename);
bool GetTextureFileName(int* dummy, char* filename);
// The same choosers, false when the user gives no file instead of ending the process.
bool AskRVFFileName(char* filename);
bool AskTextureFileName(char* filename);

// Size of every path buffer handed to the choosers.
constexpr int kPathBufferSize = 1024;

// ---------------------------------------------------------------------------------------------
// Pictures.

// Writes width x height 8-bit RGB pixels, top row first, as a PNG stream to `fp`. False with
// libpng's reason in *error.
// fp is open for writing in binary mode and is not closed here.
bool EncodePng(FILE* fp, int width, int height, const unsigned char* rgb, std::string* error);
// Copies width x height RGBA pixels stored bottom row first, as GL reads them, into `rgb` as RGB
// top row first, as a picture is stored (width x height x 3 bytes).
void RgbaFrameToPicture(const unsigned char* rgba, int width, int height, unsigned char* rgb);

#endif
