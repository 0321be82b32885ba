// Little-endian file order for every record of the mesh library.
#include "mesh/RvByteOrder.h"

typedef RvRecordByteOrder<kKivHostIsBigEndian> HostRecords;

uint32 KivByteSwap_RvHeader(void* arg, uint32 num) { return HostRecords::Header(arg, num); }
uint32 KivByteSwap_RvRawPoint(void* arg, uint32 num) { return HostRecords::Point(arg, num); }
uint32 KivByteSwap_RvRawPointD(void* arg, uint32 num) { return HostRecords::PointD(arg, num); }
uint32 KivByteSwap_RvRawTexCoord(void* arg, uint32 num) { return HostRecords::TexCoord(arg, num); }
uint32 KivByteSwap_RvRawTriangle(void* arg, uint32 num) { return HostRecords::Triangle(arg, num); }
uint32 KivByteSwap_RvRawTangentSpace(void* arg, uint32 num) { return HostRecords::TangentSpace(arg, num); }
uint32 KivByteSwap_RvRawTangentSpaceD(void* arg, uint32 num) { return HostRecords::TangentSpaceD(arg, num); }
uint32 KivByteSwap_RvIndex(void* arg, uint32 num) { return HostRecords::Index(arg, num); }
uint32 KivByteSwap_RvTangentPointD(void* arg, uint32 num) { return HostRecords::TangentPointD(arg, num); }
uint32 KivByteSwap_KivBitmap(void* arg, uint32 num) { return HostRecords::Bitmap(arg, num); }
