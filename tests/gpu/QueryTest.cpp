// Timestamp, disjoint and event queries.
#include "GpuTestSupport.h"

#include <cmath>

namespace gputest {
namespace {

class QueryTest : public GpuTest {
protected:
    Com<ID3D11Query> query(D3D11_QUERY kind) {
        D3D11_QUERY_DESC desc{kind, 0};
        Com<ID3D11Query> q;
        EXPECT_EQ(dev->CreateQuery(&desc, q.out()), S_OK);
        return q;
    }

    template <class T>
    T result(ID3D11Query* q) {
        T value{};
        HRESULT hr = S_FALSE;
        for (int i = 0; i < 100000 && hr == S_FALSE; ++i) hr = ctx->GetData(q, &value, sizeof(value), 0);
        EXPECT_EQ(hr, S_OK);
        return value;
    }

    // Some real GPU work: scaling 64K elements.
    void work() {
        constexpr UINT kCount = 65536;
        struct Params {
            float scale[4], offset[4];
            UINT count, unused[3];
        } params{{1, 2, 3, 4}, {0, 0, 0, 0}, kCount, {}};
        if (!input) input = makeBuffer(kCount * 16, D3D11_BIND_SHADER_RESOURCE, 16, std::vector<float>(kCount * 4, 1).data());
        if (!output) output = makeBuffer(kCount * 16, D3D11_BIND_UNORDERED_ACCESS, 16, nullptr);
        auto constants = makeConstantBuffer(&params, sizeof(params));
        auto shader = computeShader("Scale.cs");
        ctx->CSSetShader(shader.get(), nullptr, 0);
        ctx->CSSetConstantBuffers(0, 1, constants.address());
        ctx->CSSetShaderResources(0, 1, srv(input.get()).address());
        ctx->CSSetUnorderedAccessViews(0, 1, uav(output.get()).address(), nullptr);
        ctx->Dispatch(kCount / 64, 1, 1);
        ctx->ClearState();
    }

    Com<ID3D11Buffer> input, output;
};

TEST_F(QueryTest, TimestampsIncreaseAcrossWorkAndTheFrequencyMatchesTheDevice) {
    auto disjoint = query(D3D11_QUERY_TIMESTAMP_DISJOINT);
    auto t0 = query(D3D11_QUERY_TIMESTAMP);
    auto t1 = query(D3D11_QUERY_TIMESTAMP);
    auto t2 = query(D3D11_QUERY_TIMESTAMP);
    EXPECT_EQ(t0->GetDataSize(), 8u);
    EXPECT_EQ(disjoint->GetDataSize(), 16u);

    ctx->Begin(disjoint.get());
    ctx->End(t0.get());
    work();
    ctx->End(t1.get());
    work();
    ctx->End(t2.get());
    ctx->End(disjoint.get());

    UINT64 early = 0;
    EXPECT_EQ(ctx->GetData(t2.get(), &early, sizeof(early), D3D11_ASYNC_GETDATA_DONOTFLUSH), S_FALSE)
        << "nothing has been submitted yet";
    EXPECT_EQ(ctx->GetData(t2.get(), &early, 4, 0), E_INVALIDARG) << "wrong size";

    auto timing = result<D3D11_QUERY_DATA_TIMESTAMP_DISJOINT>(disjoint.get());
    UINT64 a = result<UINT64>(t0.get()), b = result<UINT64>(t1.get()), c = result<UINT64>(t2.get());
    EXPECT_FALSE(timing.Disjoint);
    // Frequency is ticks per second: 1e9 / the device's nanoseconds per tick.
    EXPECT_GE(timing.Frequency, 1000000u);
    EXPECT_LE(timing.Frequency, 10000000000u);
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);
    double seconds = double(c - a) / double(timing.Frequency);
    EXPECT_GT(seconds, 0.0);
    EXPECT_LT(seconds, 10.0);
    EXPECT_EQ(result<UINT64>(t1.get()), b) << "a known result stays the same";
}

TEST_F(QueryTest, EventQueriesReportWhenTheGpuIsDone) {
    auto event = query(D3D11_QUERY_EVENT);
    BOOL done = FALSE;
    EXPECT_EQ(ctx->GetData(event.get(), &done, sizeof(done), 0), DXGI_ERROR_INVALID_CALL) << "never ended";
    work();
    ctx->End(event.get());
    EXPECT_EQ(result<BOOL>(event.get()), TRUE);
    D3D11_QUERY_DESC occlusion{D3D11_QUERY_OCCLUSION, 0};
    Com<ID3D11Query> unsupported;
    EXPECT_EQ(dev->CreateQuery(&occlusion, unsupported.out()), E_NOTIMPL);
}

}  // namespace
}  // namespace gputest
