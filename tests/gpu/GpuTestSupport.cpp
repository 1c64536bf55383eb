#include "GpuTestSupport.h"

#include <fstream>
#include <iterator>

namespace gputest {

namespace {

struct SharedDevice {
    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
};

SharedDevice& shared() {
    static SharedDevice s;
    return s;
}

// Releases the shared device after the last test.
class DeviceEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        UINT before = validationMessageCount();
        SharedDevice& s = shared();
        if (s.context) s.context->Release();
        if (s.device) s.device->Release();
        s = {};
        EXPECT_EQ(validationMessageCount(), before) << "validation messages while the device was destroyed";
    }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new DeviceEnvironment);

}  // namespace

ID3D11Device* device() {
    SharedDevice& s = shared();
    if (!s.device) {
        D3D_FEATURE_LEVEL level{};
        HRESULT hr = D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, D3D11_CREATE_DEVICE_DEBUG, nullptr,
                                       0, D3D11_SDK_VERSION, &s.device, &level, &s.context);
        if (FAILED(hr)) {
            ADD_FAILURE() << "no GPU device: " << lastCreationError();
            return nullptr;
        }
        EXPECT_TRUE(validationActive()) << "the Vulkan validation layers are not installed";
    }
    return s.device;
}

ID3D11DeviceContext* context() {
    device();
    return shared().context;
}

void GpuTest::SetUp() {
    dev = device();
    ctx = context();
    ASSERT_NE(dev, nullptr);
    validationBefore_ = validationMessageCount();
}

void GpuTest::TearDown() {
    if (!ctx) return;
    ctx->ClearState();
    ctx->Flush();
    EXPECT_EQ(validationMessageCount(), validationBefore_) << "the test caused validation messages";
}

DebugLines::DebugLines() {
    setDebugOutput([this](std::string_view line) {
        lines.emplace_back(line);
        fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    });
}

DebugLines::~DebugLines() { setDebugOutput({}); }

bool DebugLines::contains(const std::string& text) const {
    for (const std::string& line : lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

std::string DebugLines::all() const {
    std::string s;
    for (const std::string& line : lines) s += line + "\n";
    return s;
}

std::vector<uint32_t> shaderCode(const std::string& name) {
    std::ifstream file(std::string(GPU_TEST_SHADER_DIR) + "/" + name + ".spv", std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(bytes.empty()) << "missing compiled shader " << name;
    std::vector<uint32_t> words(bytes.size() / 4);
    std::memcpy(words.data(), bytes.data(), words.size() * 4);
    return words;
}

Com<ID3D11VertexShader> vertexShader(const std::string& name) {
    std::vector<uint32_t> code = shaderCode(name);
    Com<ID3D11VertexShader> shader;
    EXPECT_EQ(device()->CreateVertexShader(code.data(), code.size() * 4, nullptr, shader.out()), S_OK) << name;
    return shader;
}

Com<ID3D11PixelShader> pixelShader(const std::string& name) {
    std::vector<uint32_t> code = shaderCode(name);
    Com<ID3D11PixelShader> shader;
    EXPECT_EQ(device()->CreatePixelShader(code.data(), code.size() * 4, nullptr, shader.out()), S_OK) << name;
    return shader;
}

Com<ID3D11ComputeShader> computeShader(const std::string& name) {
    std::vector<uint32_t> code = shaderCode(name);
    Com<ID3D11ComputeShader> shader;
    EXPECT_EQ(device()->CreateComputeShader(code.data(), code.size() * 4, nullptr, shader.out()), S_OK) << name;
    return shader;
}

Com<ID3D11Buffer> makeBuffer(UINT byteWidth, UINT bindFlags, UINT stride, const void* data, D3D11_USAGE usage,
                             UINT cpuAccess) {
    D3D11_BUFFER_DESC desc{byteWidth, usage, bindFlags, cpuAccess,
                           stride ? UINT(D3D11_RESOURCE_MISC_BUFFER_STRUCTURED) : 0u, stride};
    D3D11_SUBRESOURCE_DATA init{data, 0, 0};
    Com<ID3D11Buffer> buffer;
    EXPECT_EQ(device()->CreateBuffer(&desc, data ? &init : nullptr, buffer.out()), S_OK);
    return buffer;
}

Com<ID3D11Buffer> makeConstantBuffer(const void* data, UINT byteWidth) {
    return makeBuffer(byteWidth, D3D11_BIND_CONSTANT_BUFFER, 0, data, D3D11_USAGE_DYNAMIC, D3D11_CPU_ACCESS_WRITE);
}

Com<ID3D11Texture2D> makeTexture(DXGI_FORMAT format, UINT width, UINT height, UINT bindFlags, UINT mipLevels,
                                 UINT arraySize, UINT miscFlags, const D3D11_SUBRESOURCE_DATA* data) {
    D3D11_TEXTURE2D_DESC desc{width, height, mipLevels, arraySize, format, {1, 0}, D3D11_USAGE_DEFAULT,
                              bindFlags, 0, miscFlags};
    Com<ID3D11Texture2D> texture;
    EXPECT_EQ(device()->CreateTexture2D(&desc, data, texture.out()), S_OK);
    return texture;
}

Com<ID3D11ShaderResourceView> srv(ID3D11Resource* resource) {
    Com<ID3D11ShaderResourceView> view;
    EXPECT_EQ(device()->CreateShaderResourceView(resource, nullptr, view.out()), S_OK);
    return view;
}

Com<ID3D11UnorderedAccessView> uav(ID3D11Resource* resource) {
    Com<ID3D11UnorderedAccessView> view;
    EXPECT_EQ(device()->CreateUnorderedAccessView(resource, nullptr, view.out()), S_OK);
    return view;
}

Com<ID3D11RenderTargetView> rtv(ID3D11Resource* resource) {
    Com<ID3D11RenderTargetView> view;
    EXPECT_EQ(device()->CreateRenderTargetView(resource, nullptr, view.out()), S_OK);
    return view;
}

Com<ID3D11SamplerState> sampler(D3D11_FILTER filter, D3D11_TEXTURE_ADDRESS_MODE address) {
    D3D11_SAMPLER_DESC desc{filter, address, address, address, 0.0f, 1, D3D11_COMPARISON_ALWAYS,
                            {0, 0, 0, 0}, 0.0f, D3D11_FLOAT32_MAX};
    Com<ID3D11SamplerState> state;
    EXPECT_EQ(device()->CreateSamplerState(&desc, state.out()), S_OK);
    return state;
}

}  // namespace gputest
