#include "decode/mjpeg_decoder.h"

#include "decode/restart_cut.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr base;   // first, so libjpeg's pointer to it is a pointer to us
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// libjpeg cannot return an error code and its C frames cannot be unwound by an exception,
// so every failure jumps back to the guarded call that started the work.
[[noreturn]] void failDecode(j_common_ptr info)
{
    auto *error = reinterpret_cast<ErrorManager *>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->jump, 1);
}

void onMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    // Metadata oddities leave the pixels intact; every other warning means lost picture data.
    switch (info->err->msg_code) {
    case JWRN_JFIF_MAJOR:
    case JWRN_ADOBE_XFORM:
    case JWRN_BOGUS_ICC:
        return;
    default:
        failDecode(info);
    }
}

} // namespace

struct MjpegDecoder::State {
    jpeg_decompress_struct jpeg;
    ErrorManager error;
    std::vector<uint8_t> scanline;
    std::string lastError;
    std::size_t cropColumn = 0;   // where a cropped row starts in the scanline, in pixels
    // A region decoded in steps: what it reads and how far it has come.
    RestartCut cut;
    std::vector<uint8_t> stream;
    bool enteredAtRestart = false;
    bool regionStarted = false;
    DecodePlan regionPlan;         // in the pixels of the stream it reads
    int rowsToSkip = 0;
};

namespace {

// The functions that call setjmp keep no C++ objects with destructors in their frames, and
// read nothing after a jump but the decoder state.

bool createGuarded(MjpegDecoder::State *state)
{
    state->jpeg.err = jpeg_std_error(&state->error.base);
    state->error.base.error_exit = failDecode;
    state->error.base.emit_message = onMessage;
    if (setjmp(state->error.jump))
        return false;
    jpeg_create_decompress(&state->jpeg);
    return true;
}

bool readHeaderGuarded(MjpegDecoder::State *state, const uint8_t *data, std::size_t size,
                       JpegFrameInfo *info)
{
    jpeg_decompress_struct *jpeg = &state->jpeg;
    if (setjmp(state->error.jump)) {
        jpeg_abort_decompress(jpeg);
        return false;
    }
    jpeg_mem_src(jpeg, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(jpeg, TRUE) != JPEG_HEADER_OK) {
        std::snprintf(state->error.message, sizeof state->error.message, "No image in the data");
        jpeg_abort_decompress(jpeg);
        return false;
    }
    if (jpeg->image_width == 0 || jpeg->image_height == 0
        || jpeg->image_width > JDIMENSION(MjpegDecoder::maxSide)
        || jpeg->image_height > JDIMENSION(MjpegDecoder::maxSide)) {
        std::snprintf(state->error.message, sizeof state->error.message,
                      "Unacceptable frame size %ux%u", jpeg->image_width, jpeg->image_height);
        jpeg_abort_decompress(jpeg);
        return false;
    }
    info->size = cv::Size(int(jpeg->image_width), int(jpeg->image_height));
    // jpeg_crop_scanline aligns to one iMCU column: a block for a single component,
    // otherwise a block times the widest horizontal sampling factor.
    info->mcuWidth = jpeg->num_components == 1 ? DCTSIZE : DCTSIZE * jpeg->max_h_samp_factor;
    return true;
}

// Grows a buffer the decode under way needs; when it cannot, the decode is abandoned first, so
// the decoder is ready for the next frame whatever the caller does with the exception.
template <typename Grow>
void growOrAbandon(jpeg_decompress_struct *jpeg, Grow grow)
{
    try {
        grow();
    } catch (...) {
        jpeg_abort_decompress(jpeg);
        throw;
    }
}

bool isCropped(const DecodePlan &plan)
{
    return plan.shown.size() != plan.frameSize;
}

// Starts the decode `plan` asks for; a cropped one stops at its first row.
bool startGuarded(MjpegDecoder::State *state, const DecodePlan *plan)
{
    jpeg_decompress_struct *jpeg = &state->jpeg;
    if (setjmp(state->error.jump)) {
        jpeg_abort_decompress(jpeg);
        return false;
    }
    jpeg->out_color_space = JCS_EXT_BGR;
    jpeg->dct_method = JDCT_IFAST;
    jpeg->scale_num = 1;
    jpeg->scale_denom = unsigned(plan->scaleDenom);
    jpeg_start_decompress(jpeg);

    const bool cropped = isCropped(*plan);
    const JDIMENSION expectedWidth = JDIMENSION(cropped ? plan->frameSize.width : plan->outputSize.width);
    const JDIMENSION expectedHeight = JDIMENSION(cropped ? plan->frameSize.height : plan->outputSize.height);
    if (jpeg->output_width != expectedWidth || jpeg->output_height != expectedHeight
        || jpeg->output_components != 3) {
        std::snprintf(state->error.message, sizeof state->error.message,
                      "Decoder produced %ux%u with %d components", jpeg->output_width,
                      jpeg->output_height, jpeg->output_components);
        jpeg_abort_decompress(jpeg);
        return false;
    }
    if (cropped) {
        JDIMENSION x = JDIMENSION(plan->shown.x);
        JDIMENSION width = JDIMENSION(plan->shown.width);
        jpeg_crop_scanline(jpeg, &x, &width);
        state->cropColumn = std::size_t(plan->shown.x) - x;
        if (std::size_t(width) * 3 > state->scanline.size()
            || (state->cropColumn + std::size_t(plan->shown.width)) * 3 > std::size_t(width) * 3) {
            std::snprintf(state->error.message, sizeof state->error.message,
                          "Unexpected crop alignment");
            jpeg_abort_decompress(jpeg);
            return false;
        }
    }
    return true;
}

// Reads past `rows` rows of a started decode; they still have to be entropy-decoded.
bool skipGuarded(MjpegDecoder::State *state, JDIMENSION rows)
{
    jpeg_decompress_struct *jpeg = &state->jpeg;
    if (setjmp(state->error.jump)) {
        jpeg_abort_decompress(jpeg);
        return false;
    }
    if (jpeg_skip_scanlines(jpeg, rows) != rows) {
        jpeg_abort_decompress(jpeg);
        return false;
    }
    return true;
}

// Reads the rows `plan` shows from where a started decode stands, then ends it.
bool readGuarded(MjpegDecoder::State *state, const DecodePlan *plan, uint8_t *out, int stride)
{
    jpeg_decompress_struct *jpeg = &state->jpeg;
    if (setjmp(state->error.jump)) {
        jpeg_abort_decompress(jpeg);
        return false;
    }
    if (isCropped(*plan)) {
        const std::size_t rowBytes = std::size_t(plan->shown.width) * 3;
        JSAMPROW row = state->scanline.data();
        for (int y = 0; y < plan->shown.height; ++y) {
            if (jpeg_read_scanlines(jpeg, &row, 1) != 1) {
                jpeg_abort_decompress(jpeg);
                return false;
            }
            std::memcpy(out + std::size_t(y) * std::size_t(stride), row + state->cropColumn * 3, rowBytes);
        }
    } else {
        JSAMPROW rows[16];
        while (jpeg->output_scanline < jpeg->output_height) {
            const JDIMENSION first = jpeg->output_scanline;
            const JDIMENSION count = std::min<JDIMENSION>(16, jpeg->output_height - first);
            for (JDIMENSION i = 0; i < count; ++i)
                rows[i] = out + std::size_t(first + i) * std::size_t(stride);
            if (jpeg_read_scanlines(jpeg, rows, count) == 0) {
                jpeg_abort_decompress(jpeg);
                return false;
            }
        }
    }
    // The rest of the stream holds nothing the picture needs; aborting also readies the
    // object for the next frame.
    jpeg_abort_decompress(jpeg);
    return true;
}

} // namespace

MjpegDecoder::MjpegDecoder()
    : state(std::make_unique<State>())
{
    if (!createGuarded(state.get()))
        throw std::bad_alloc();
}

MjpegDecoder::~MjpegDecoder()
{
    jpeg_destroy_decompress(&state->jpeg);
}

bool MjpegDecoder::readHeader(const uint8_t *data, std::size_t size, JpegFrameInfo &info)
{
    if (state->regionStarted) {
        jpeg_abort_decompress(&state->jpeg);
        state->regionStarted = false;
    }
    if (readHeaderGuarded(state.get(), data, size, &info))
        return true;
    state->lastError = state->error.message;
    return false;
}

bool MjpegDecoder::readInfo(const uint8_t *data, std::size_t size, JpegFrameInfo &info)
{
    if (!readHeader(data, size, info))
        return false;
    jpeg_abort_decompress(&state->jpeg);
    return true;
}

bool MjpegDecoder::decode(const uint8_t *data, std::size_t size, const ViewRequest &view,
                          FrameBuffer &out, DecodePlan &plan)
{
    JpegFrameInfo info;
    if (!readHeader(data, size, info))
        return false;
    plan = planDecode(info, view);
    growOrAbandon(&state->jpeg, [&] {
        out.reserve(plan.outputSize);
        state->scanline.resize(std::size_t(info.size.width) * 3);
    });
    State *s = state.get();
    if (startGuarded(s, &plan) && (!isCropped(plan) || skipGuarded(s, JDIMENSION(plan.shown.y)))
        && readGuarded(s, &plan, out.data(), out.stride()))
        return true;
    state->lastError = state->error.message;
    return false;
}

bool MjpegDecoder::startRegion(const uint8_t *data, std::size_t size, const cv::Rect &region, DecodePlan &plan)
{
    const RestartCut &cut = state->cut;
    state->enteredAtRestart = cutRowsAtRestart(data, size, region.y, region.br().y, state->cut);
    if (!state->enteredAtRestart)
        state->stream.assign(data, data + size);
    const std::vector<uint8_t> &source = state->enteredAtRestart ? cut.bytes : state->stream;
    const int firstRow = state->enteredAtRestart ? cut.firstRow : 0;
    JpegFrameInfo info;
    if (!readHeader(source.data(), source.size(), info))
        return false;
    plan = planRegionDecode(info, region - cv::Point(0, firstRow));
    if (plan.shown.empty()) {
        jpeg_abort_decompress(&state->jpeg);
        state->lastError = "Region off the frame";
        return false;
    }
    growOrAbandon(&state->jpeg, [&] { state->scanline.resize(std::size_t(info.size.width) * 3); });
    if (!startGuarded(state.get(), &plan)) {
        state->lastError = state->error.message;
        return false;
    }
    state->regionStarted = true;
    state->regionPlan = plan;
    state->rowsToSkip = plan.shown.y;
    if (state->enteredAtRestart) {
        plan.frameSize.height = cut.frameHeight;
        plan.shown.y += firstRow;
        plan.decoded.y += firstRow;
    }
    return true;
}

MjpegDecoder::Step MjpegDecoder::continueRegion(int rows, FrameBuffer &out)
{
    if (!state->regionStarted)
        return Step::Failed;
    const DecodePlan &plan = state->regionPlan;
    if (state->rowsToSkip > 0) {
        // libjpeg skips the wrong rows when a skip that ends inside a row of blocks is followed
        // by another: every step but the last ends on one.
        const int blockRow = state->jpeg.max_v_samp_factor * DCTSIZE;
        int skip = std::min(std::max(rows, 1), state->rowsToSkip);
        if (skip < state->rowsToSkip)
            skip = std::min(std::max(blockRow, skip / blockRow * blockRow), state->rowsToSkip);
        if (!skipGuarded(state.get(), JDIMENSION(skip))) {
            state->regionStarted = false;
            state->lastError = state->error.message;
            return Step::Failed;
        }
        state->rowsToSkip -= skip;
        if (state->rowsToSkip > 0 || rows - skip < plan.shown.height)
            return Step::Pending;
    }
    state->regionStarted = false;
    growOrAbandon(&state->jpeg, [&] { out.reserve(plan.outputSize); });
    if (!readGuarded(state.get(), &plan, out.data(), out.stride())) {
        state->lastError = state->error.message;
        return Step::Failed;
    }
    return Step::Done;
}

bool MjpegDecoder::enteredAtRestart() const
{
    return state->enteredAtRestart;
}

const std::string &MjpegDecoder::lastError() const
{
    return state->lastError;
}
