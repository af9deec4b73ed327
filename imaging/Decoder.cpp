#include "imaging/Decoder.h"

#include "imaging/ImagingApi.h"

namespace vximg {

int RowReader::skip(int rows)
{
    for (int i = 0; i < rows; ++i) {
        const uint8_t* row = nullptr;
        const int rc = next(&row);
        if (rc != kOk)
            return rc;
    }
    return kOk;
}

int SourceImage::openSecond(int, int, Buffer&, Buffer&, std::unique_ptr<RowReader>&)
{
    return kErrUnsupported;
}

}  // namespace vximg
