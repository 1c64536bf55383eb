// Event, timestamp and timestamp-disjoint queries.
//
// A timestamp query owns a slot of a Vulkan timestamp pool; End resets the slot
// and writes the GPU clock into it once all earlier commands have finished.
// A result is known once the batch holding the End has finished; GetData
// submits that batch if it is still being recorded.
#include <cmath>
#include <cstring>

#include "gpu/Context.h"

namespace tolmero::gpu::detail {

namespace {

// How long one GetData call may wait for the GPU before answering S_FALSE.
// Callers poll GetData in a loop; waiting a little on the fence keeps that loop
// from taking a CPU core away from a CPU-side Vulkan implementation.
constexpr uint64_t kPollWaitNs = 1'000'000;

}  // namespace

QueryImpl::QueryImpl(Core& core, const D3D11_QUERY_DESC& desc) : Child(core), desc_(desc) {
    if (desc_.Query == D3D11_QUERY_TIMESTAMP && core.features.timestamps) slot = core.allocateQuery();
}

QueryImpl::~QueryImpl() { core().freeQuery(slot); }

UINT QueryImpl::GetDataSize() {
    switch (desc_.Query) {
        case D3D11_QUERY_EVENT: return sizeof(BOOL);
        case D3D11_QUERY_TIMESTAMP: return sizeof(UINT64);
        case D3D11_QUERY_TIMESTAMP_DISJOINT: return sizeof(D3D11_QUERY_DATA_TIMESTAMP_DISJOINT);
        default: return 0;
    }
}

void ContextImpl::Begin(ID3D11Asynchronous* async) {
    // Only the disjoint query brackets work, and its result does not depend on
    // where it begins; event and timestamp queries have no Begin.
    (void)async;
}

void ContextImpl::End(ID3D11Asynchronous* async) {
    if (!async) return;
    QueryImpl* query = static_cast<QueryImpl*>(static_cast<ID3D11Query*>(async));
    query->ended = true;
    query->resultKnown = false;
    query->endSerial = core_.recordingSerial();
    if (query->desc().Query == D3D11_QUERY_TIMESTAMP && query->slot.pool) {
        VkCommandBuffer cmd = core_.commands();
        vkCmdResetQueryPool(cmd, query->slot.pool, query->slot.index, 1);
        // At the bottom of the pipe: once every earlier command has finished.
        vkCmdWriteTimestamp2(cmd, VK_PIPELINE_STAGE_2_BOTTOM_OF_PIPE_BIT, query->slot.pool, query->slot.index);
        core_.countOperation();
    }
}

HRESULT ContextImpl::GetData(ID3D11Asynchronous* async, void* data, UINT dataSize, UINT flags) {
    if (!async) return E_INVALIDARG;
    QueryImpl* query = static_cast<QueryImpl*>(static_cast<ID3D11Query*>(async));
    if (dataSize != 0 && (!data || dataSize != query->GetDataSize())) {
        debugOutput("GetData: the data size must be " + std::to_string(query->GetDataSize()) + " bytes");
        return E_INVALIDARG;
    }
    if (!query->ended) {
        debugOutput("GetData: the query has not been ended");
        return DXGI_ERROR_INVALID_CALL;
    }
    if (!core_.isComplete(query->endSerial)) {
        if (query->endSerial == core_.recordingSerial()) {
            if (flags & D3D11_ASYNC_GETDATA_DONOTFLUSH) return S_FALSE;
            core_.submit();
        }
        if (!core_.waitFor(query->endSerial, kPollWaitNs)) return S_FALSE;
    }
    if (core_.deviceLost) return DXGI_ERROR_DEVICE_REMOVED;

    switch (query->desc().Query) {
        case D3D11_QUERY_EVENT: {
            BOOL done = TRUE;
            if (dataSize) std::memcpy(data, &done, sizeof(done));
            break;
        }
        case D3D11_QUERY_TIMESTAMP: {
            if (!query->resultKnown) {
                uint64_t value = 0;
                if (query->slot.pool) {
                    VkResult r = vkGetQueryPoolResults(core_.device, query->slot.pool, query->slot.index, 1,
                                                       sizeof(value), &value, sizeof(value), VK_QUERY_RESULT_64_BIT);
                    if (r == VK_NOT_READY) return S_FALSE;
                    if (r != VK_SUCCESS) return reportVk(r, "vkGetQueryPoolResults");
                    uint32_t bits = core_.features.timestampValidBits;
                    if (bits < 64) value &= (uint64_t(1) << bits) - 1;
                }
                query->timestamp = value;
                query->resultKnown = true;
            }
            if (dataSize) std::memcpy(data, &query->timestamp, sizeof(UINT64));
            break;
        }
        case D3D11_QUERY_TIMESTAMP_DISJOINT: {
            D3D11_QUERY_DATA_TIMESTAMP_DISJOINT result{};
            result.Frequency = static_cast<UINT64>(std::llround(1e9 / core_.features.timestampPeriod));
            result.Disjoint = core_.features.timestamps ? FALSE : TRUE;
            if (dataSize) std::memcpy(data, &result, sizeof(result));
            break;
        }
        default:
            return E_INVALIDARG;
    }
    return S_OK;
}

}  // namespace tolmero::gpu::detail
