// Reading the mesh and the map on screen again from their files, on F5 or when they change.
#include <cstdio>
#include <string>

#include "viewer/RVFView.h"

bool ReloadObjectAndMap() {
    if (!LoadObjectAndMapKeepingCurrent(gMeshPath.c_str(), gMapInMesh ? nullptr : gMapPath.c_str())) {
        printf("Reload failed: the mesh and the map on screen stay.\n");
        return false;
    }
    ObjectInit();
    TextureInit();
    printf("Reloaded %s and %s.\n", gMeshPath.c_str(), gMapPath.c_str());
    PrintLoadSummary();
    return true;
}
