// Commands recorded by the immediate context: draws and dispatches with their
// descriptors, clears, mip generation, copies, uploads, mapping and readback.
// Every command ends with one full memory barrier, so later commands see its
// results whatever they do with them.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "gpu/Context.h"
#include "gpu/Device.h"

namespace tolmero::gpu::detail {

namespace {

constexpr uint32_t kMaxDescriptors = 64;

const char* stageName(ShaderStage stage) {
    switch (stage) {
        case ShaderStage::Vertex: return "vertex shader";
        case ShaderStage::Pixel: return "pixel shader";
        case ShaderStage::Compute: return "compute shader";
        default: return "shader";
    }
}

VkClearColorValue clearColor(const FormatInfo& format, const FLOAT color[4]) {
    VkClearColorValue value{};
    for (int i = 0; i < 4; ++i) {
        switch (format.kind) {
            case FormatKind::Uint: value.uint32[i] = static_cast<uint32_t>(std::max(0.0f, color[i])); break;
            case FormatKind::Sint: value.int32[i] = static_cast<int32_t>(color[i]); break;
            default: value.float32[i] = color[i]; break;
        }
    }
    return value;
}

}  // namespace

// Descriptor writes for one draw or dispatch.
struct DescriptorWrites {
    VkWriteDescriptorSet writes[kMaxDescriptors];
    VkDescriptorImageInfo images[kMaxDescriptors];
    VkDescriptorBufferInfo buffers[kMaxDescriptors];
    VkBufferView texels[kMaxDescriptors];
    uint32_t writeCount = 0;
    uint32_t infoCount = 0;
};

void ContextImpl::reportSkipped(const char* what, const std::string& reason) {
    debugOutput(std::string(what) + " skipped: " + reason);
}

bool ContextImpl::collectDescriptors(const ProgramLayout& program, const char* what, DescriptorWrites& out) {
    if (program.descriptorCount > kMaxDescriptors) {
        reportSkipped(what, "the shaders bind more than " + std::to_string(kMaxDescriptors) + " descriptors");
        return false;
    }
    const uint64_t serial = core_.recordingSerial();
    for (const SlotBinding& slot : program.slots) {
        VkWriteDescriptorSet& write = out.writes[out.writeCount++];
        write = vkStruct<VkWriteDescriptorSet>(VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET);
        write.dstBinding = slot.binding;
        write.descriptorCount = slot.count;
        write.descriptorType = slot.type;
        uint32_t first = out.infoCount;
        write.pImageInfo = out.images + first;
        write.pBufferInfo = out.buffers + first;
        write.pTexelBufferView = out.texels + first;

        Stage& stage = slot.stage == ShaderStage::Vertex ? stages_[kVertex]
                       : slot.stage == ShaderStage::Pixel ? stages_[kPixel]
                                                          : stages_[kCompute];
        const ShaderObject* shader = stage.object;
        for (uint32_t j = 0; j < slot.count; ++j) {
            uint32_t reg = slot.reg + j;
            uint32_t index = out.infoCount++;
            auto missing = [&](const std::string& problem) {
                std::string where = std::string(1, registerLetter(slot.cls)) + std::to_string(reg) + " ('" + slot.name +
                                    "') of the " + stageName(slot.stage);
                if (shader && !shader->debugName.empty()) where += " " + shader->debugName;
                reportSkipped(what, problem + " at " + where);
                return false;
            };
            switch (slot.cls) {
                case RegisterClass::ConstantBuffer: {
                    BufferImpl* b = reg < kConstantSlots ? stage.constants.items[reg].get() : nullptr;
                    if (!b) return missing("no constant buffer is bound");
                    if (!(b->desc().BindFlags & D3D11_BIND_CONSTANT_BUFFER))
                        return missing("a buffer without D3D11_BIND_CONSTANT_BUFFER is bound");
                    out.buffers[index] = {b->buffer(), b->offset(), b->desc().ByteWidth};
                    b->lastUse = serial;
                    break;
                }
                case RegisterClass::Sampler: {
                    SamplerImpl* s = reg < kSamplerSlots ? stage.samplers.items[reg].get() : nullptr;
                    if (!s) return missing("no sampler is bound");
                    out.images[index] = {s->sampler, VK_NULL_HANDLE, VK_IMAGE_LAYOUT_UNDEFINED};
                    break;
                }
                case RegisterClass::Texture:
                case RegisterClass::Unordered: {
                    bool unordered = slot.cls == RegisterClass::Unordered;
                    const ViewTarget* target = nullptr;
                    std::string viewName;
                    if (unordered) {
                        auto& uavs = slot.stage == ShaderStage::Compute ? computeUavs_ : outputUavs_;
                        UavImpl* v = reg < kUavSlots ? uavs.items[reg].get() : nullptr;
                        if (!v) return missing("no unordered access view is bound");
                        target = &v->target;
                        viewName = v->debugName();
                    } else {
                        SrvImpl* v = reg < kResourceSlots ? stage.resources.items[reg].get() : nullptr;
                        if (!v) return missing("no shader resource view is bound");
                        target = &v->target;
                        viewName = v->debugName();
                    }
                    target->markUsed(serial);
                    if (slot.type == VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE || slot.type == VK_DESCRIPTOR_TYPE_STORAGE_IMAGE) {
                        if (!target->texture) return missing("a buffer view is bound where a texture is declared");
                        ImageRange range = target->range;
                        if (!slot.arrayed && range.layerCount > 1) {
                            debugOutput(std::string(what) + ": a view of " + std::to_string(range.layerCount) +
                                        " slices is bound to the 2D texture '" + slot.name + "'; slice " +
                                        std::to_string(range.baseLayer) + " is used");
                            range.layerCount = 1;
                        }
                        bool storage = slot.type == VK_DESCRIPTOR_TYPE_STORAGE_IMAGE;
                        if (storage) {
                            VkFormat declared = storageFormatFromSpirv(slot.spirvFormat);
                            if (declared != VK_FORMAT_UNDEFINED && declared != range.format)
                                return missing(std::string("a view of ") + formatName(target->texture->desc().Format) +
                                               " is bound where the shader declares storage format " +
                                               spirvImageFormatName(slot.spirvFormat));
                        }
                        VkImageView view = target->texture->view(
                            range, slot.arrayed ? VK_IMAGE_VIEW_TYPE_2D_ARRAY : VK_IMAGE_VIEW_TYPE_2D,
                            storage ? VK_IMAGE_USAGE_STORAGE_BIT : VK_IMAGE_USAGE_SAMPLED_BIT, viewName);
                        if (!view) return missing("no image view could be made");
                        out.images[index] = {VK_NULL_HANDLE, view, VK_IMAGE_LAYOUT_GENERAL};
                    } else if (slot.type == VK_DESCRIPTOR_TYPE_STORAGE_BUFFER) {
                        if (!target->buffer || target->texelFormat != VK_FORMAT_UNDEFINED)
                            return missing("a structured or raw buffer view is needed");
                        out.buffers[index] = {target->buffer->buffer(), target->buffer->offset() + target->offset,
                                              target->size};
                    } else if (slot.type == VK_DESCRIPTOR_TYPE_UNIFORM_TEXEL_BUFFER ||
                               slot.type == VK_DESCRIPTOR_TYPE_STORAGE_TEXEL_BUFFER) {
                        if (!target->buffer || target->texelFormat == VK_FORMAT_UNDEFINED)
                            return missing("a typed buffer view is needed");
                        VkBufferView view = target->buffer->texelView(target->texelFormat, target->offset, target->size);
                        if (!view) return missing("no buffer view could be made");
                        out.texels[index] = view;
                    } else {
                        return missing("combined image samplers are not supported");
                    }
                    break;
                }
            }
        }
    }
    return true;
}

// --------------------------------------------------------------------------
// Draw and dispatch

void ContextImpl::Draw(UINT vertexCount, UINT startVertex) { DrawInstanced(vertexCount, 1, startVertex, 0); }

template <class RecordDraw>
void ContextImpl::drawWith(const char* what, RecordDraw recordDraw) {
    Stage& vs = stages_[kVertex];
    Stage& ps = stages_[kPixel];
    if (!vs.object) return reportSkipped(what, "no vertex shader is bound");
    if (topology_ == D3D11_PRIMITIVE_TOPOLOGY_UNDEFINED) return reportSkipped(what, "no primitive topology is set");
    if (!hasViewport_) return reportSkipped(what, "no viewport is set");
    if (!(viewport_.Width > 0.0f) || !(viewport_.Height > 0.0f)) return;  // nothing can be rasterized

    GraphicsKey key;
    key.vs = vs.object->id;
    key.ps = ps.object ? ps.object->id : 0;
    key.topology = topology_;
    key.rasterizer = rasterizer_ ? rasterizer_->id : defaultRasterizerId_;
    key.blend = blend_ ? blend_->id : defaultBlendId_;
    key.depthStencil = depthStencil_ ? depthStencil_->id : defaultDepthStencilId_;
    key.sampleMask = sampleMask_;

    // Attachments; the render area is what every attachment covers.
    const uint64_t serial = core_.recordingSerial();
    VkRenderingAttachmentInfo colors[D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT];
    uint32_t width = UINT32_MAX, height = UINT32_MAX, layers = UINT32_MAX;
    auto cover = [&](const ViewTarget& t) {
        width = std::min(width, t.texture->mipWidth(t.range.baseMip));
        height = std::min(height, t.texture->mipHeight(t.range.baseMip));
        layers = std::min(layers, t.range.layerCount);
        t.markUsed(serial);
    };
    key.colorCount = renderTargets_.used;
    for (uint32_t i = 0; i < key.colorCount; ++i) {
        colors[i] = vkStruct<VkRenderingAttachmentInfo>(VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO);
        colors[i].imageLayout = VK_IMAGE_LAYOUT_GENERAL;
        colors[i].loadOp = VK_ATTACHMENT_LOAD_OP_LOAD;
        colors[i].storeOp = VK_ATTACHMENT_STORE_OP_STORE;
        RtvImpl* rtv = renderTargets_.items[i].get();
        if (!rtv) continue;
        key.colors[i] = rtv->target.range.format;
        colors[i].imageView = rtv->imageView();
        cover(rtv->target);
    }
    auto depth = vkStruct<VkRenderingAttachmentInfo>(VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO);
    if (DsvImpl* dsv = depthStencilView_.get()) {
        key.depth = dsv->target.range.format;
        depth.imageView = dsv->imageView();
        depth.imageLayout = VK_IMAGE_LAYOUT_GENERAL;
        depth.loadOp = VK_ATTACHMENT_LOAD_OP_LOAD;
        depth.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
        cover(dsv->target);
    }
    if (width == UINT32_MAX) {
        // No attachments (pixel shaders that only write unordered access views):
        // the viewport decides the area.
        const VkPhysicalDeviceLimits& limits = core_.properties.limits;
        width = std::min<uint32_t>(static_cast<uint32_t>(std::ceil(std::max(0.0f, viewport_.TopLeftX + viewport_.Width))),
                                   limits.maxFramebufferWidth);
        height = std::min<uint32_t>(
            static_cast<uint32_t>(std::ceil(std::max(0.0f, viewport_.TopLeftY + viewport_.Height))),
            limits.maxFramebufferHeight);
        layers = 1;
        if (width == 0 || height == 0) return;
    }

    std::string error;
    ProgramLayout* program = core_.pipelines().program(vs.object, ps.object, error);
    if (!program) return reportSkipped(what, error);
    const D3D11_RASTERIZER_DESC& rasterizer = rasterizer_ ? rasterizer_->desc() : defaultRasterizerDesc();
    GraphicsStates states{&rasterizer, blend_ ? &blend_->desc() : &defaultBlendDesc(),
                          depthStencil_ ? &depthStencil_->desc() : &defaultDepthStencilDesc()};
    VkPipeline pipeline = core_.pipelines().graphics(key, vs.object, ps.object, *program, states, error);
    if (!pipeline) return reportSkipped(what, error);
    DescriptorWrites writes;
    if (!collectDescriptors(*program, what, writes)) return;

    VkCommandBuffer cmd = core_.commands();
    vkCmdBindPipeline(cmd, VK_PIPELINE_BIND_POINT_GRAPHICS, pipeline);
    if (writes.writeCount)
        core_.cmdPushDescriptorSet(cmd, VK_PIPELINE_BIND_POINT_GRAPHICS, program->layout, 0, writes.writeCount,
                                   writes.writes);

    auto rendering = vkStruct<VkRenderingInfo>(VK_STRUCTURE_TYPE_RENDERING_INFO);
    rendering.renderArea = {{0, 0}, {width, height}};
    rendering.layerCount = layers;
    rendering.colorAttachmentCount = key.colorCount;
    rendering.pColorAttachments = colors;
    if (key.depth != VK_FORMAT_UNDEFINED) {
        rendering.pDepthAttachment = &depth;
        if (hasStencil(key.depth)) rendering.pStencilAttachment = &depth;
    }
    vkCmdBeginRendering(cmd, &rendering);

    // Negative height: clip-space y points up and framebuffer row 0 is the top,
    // as in Direct3D.
    VkViewport viewport{viewport_.TopLeftX, viewport_.TopLeftY + viewport_.Height, viewport_.Width,
                        -viewport_.Height, viewport_.MinDepth, viewport_.MaxDepth};
    vkCmdSetViewport(cmd, 0, 1, &viewport);
    VkRect2D scissor = rendering.renderArea;
    if (rasterizer.ScissorEnable && hasScissor_) {
        int32_t left = std::max(0, scissor_.left), top = std::max(0, scissor_.top);
        int32_t right = std::min<int32_t>(scissor_.right, static_cast<int32_t>(width));
        int32_t bottom = std::min<int32_t>(scissor_.bottom, static_cast<int32_t>(height));
        scissor = {{left, top},
                   {static_cast<uint32_t>(std::max(0, right - left)), static_cast<uint32_t>(std::max(0, bottom - top))}};
    }
    vkCmdSetScissor(cmd, 0, 1, &scissor);
    vkCmdSetBlendConstants(cmd, blendFactor_);
    vkCmdSetStencilReference(cmd, VK_STENCIL_FACE_FRONT_AND_BACK, stencilRef_);
    recordDraw(cmd);
    vkCmdEndRendering(cmd);
    core_.fullBarrier();
    core_.countOperation();
}

void ContextImpl::DrawInstanced(UINT vertexCount, UINT instanceCount, UINT startVertex, UINT startInstance) {
    if (vertexCount == 0 || instanceCount == 0) return;
    drawWith("Draw", [&](VkCommandBuffer cmd) { vkCmdDraw(cmd, vertexCount, instanceCount, startVertex, startInstance); });
}

void ContextImpl::DrawIndexedInstancedIndirect(ID3D11Buffer* argsBuffer, UINT offset) {
    const char* what = "DrawIndexedInstancedIndirect";
    BufferImpl* args = static_cast<BufferImpl*>(argsBuffer);
    BufferImpl* indices = indexBuffer_.get();
    if (!indices) return reportSkipped(what, "no index buffer is set");
    if (!(indices->desc().BindFlags & D3D11_BIND_INDEX_BUFFER))
        return reportSkipped(what, "the index buffer lacks D3D11_BIND_INDEX_BUFFER");
    if (!args || !(args->desc().MiscFlags & D3D11_RESOURCE_MISC_DRAWINDIRECT_ARGS))
        return reportSkipped(what, "the arguments need a buffer with D3D11_RESOURCE_MISC_DRAWINDIRECT_ARGS");
    if (offset % 4 != 0 || uint64_t(offset) + 20 > args->desc().ByteWidth)
        return reportSkipped(what, "the five arguments do not fit the buffer at that offset");
    const uint64_t serial = core_.recordingSerial();
    indices->lastUse = args->lastUse = serial;
    drawWith(what, [&](VkCommandBuffer cmd) {
        vkCmdBindIndexBuffer(cmd, indices->buffer(), indices->offset() + indexOffset_, indexType_);
        vkCmdDrawIndexedIndirect(cmd, args->buffer(), args->offset() + offset, 1, 20);
    });
}

void ContextImpl::Dispatch(UINT x, UINT y, UINT z) {
    const char* what = "Dispatch";
    Stage& cs = stages_[kCompute];
    if (!cs.object) return reportSkipped(what, "no compute shader is bound");
    if (x == 0 || y == 0 || z == 0) return;
    const uint32_t* limit = core_.properties.limits.maxComputeWorkGroupCount;
    if (x > limit[0] || y > limit[1] || z > limit[2])
        return reportSkipped(what, "thread-group counts " + std::to_string(x) + " x " + std::to_string(y) + " x " +
                                       std::to_string(z) + " exceed the device's " + std::to_string(limit[0]) + " x " +
                                       std::to_string(limit[1]) + " x " + std::to_string(limit[2]));
    std::string error;
    ProgramLayout* program = core_.pipelines().program(cs.object, nullptr, error);
    if (!program) return reportSkipped(what, error);
    VkPipeline pipeline = core_.pipelines().compute(cs.object, *program, error);
    if (!pipeline) return reportSkipped(what, error);
    DescriptorWrites writes;
    if (!collectDescriptors(*program, what, writes)) return;

    VkCommandBuffer cmd = core_.commands();
    vkCmdBindPipeline(cmd, VK_PIPELINE_BIND_POINT_COMPUTE, pipeline);
    if (writes.writeCount)
        core_.cmdPushDescriptorSet(cmd, VK_PIPELINE_BIND_POINT_COMPUTE, program->layout, 0, writes.writeCount,
                                   writes.writes);
    vkCmdDispatch(cmd, x, y, z);
    core_.fullBarrier();
    core_.countOperation();
}

// --------------------------------------------------------------------------
// Clears

void ContextImpl::ClearRenderTargetView(ID3D11RenderTargetView* view, const FLOAT color[4]) {
    if (!view || !color) return;
    RtvImpl* rtv = static_cast<RtvImpl*>(view);
    const ViewTarget& t = rtv->target;
    const FormatInfo* format = formatInfo(rtv->desc().Format);
    VkClearColorValue value = clearColor(format ? *format : t.texture->format(), color);
    VkImageSubresourceRange range{VK_IMAGE_ASPECT_COLOR_BIT, t.range.baseMip, 1, t.range.baseLayer, t.range.layerCount};
    vkCmdClearColorImage(core_.commands(), t.texture->image(), VK_IMAGE_LAYOUT_GENERAL, &value, 1, &range);
    t.markUsed(core_.recordingSerial());
    core_.fullBarrier();
    core_.countOperation();
}

void ContextImpl::ClearDepthStencilView(ID3D11DepthStencilView* view, UINT flags, FLOAT depth, UINT8 stencil) {
    if (!view) return;
    const ViewTarget& t = static_cast<DsvImpl*>(view)->target;
    VkImageAspectFlags aspects = 0;
    if (flags & D3D11_CLEAR_DEPTH) aspects |= VK_IMAGE_ASPECT_DEPTH_BIT;
    if ((flags & D3D11_CLEAR_STENCIL) && hasStencil(t.range.format)) aspects |= VK_IMAGE_ASPECT_STENCIL_BIT;
    if (!aspects) return;
    VkClearDepthStencilValue value{std::clamp(depth, 0.0f, 1.0f), stencil};
    VkImageSubresourceRange range{aspects, t.range.baseMip, 1, t.range.baseLayer, t.range.layerCount};
    vkCmdClearDepthStencilImage(core_.commands(), t.texture->image(), VK_IMAGE_LAYOUT_GENERAL, &value, 1, &range);
    t.markUsed(core_.recordingSerial());
    core_.fullBarrier();
    core_.countOperation();
}

void ContextImpl::ClearUnorderedAccessViewFloat(ID3D11UnorderedAccessView* view, const FLOAT values[4]) {
    if (!view || !values) return;
    const ViewTarget& t = static_cast<UavImpl*>(view)->target;
    if (t.texture) {
        VkClearColorValue value{};
        std::copy(values, values + 4, value.float32);
        VkImageSubresourceRange range{VK_IMAGE_ASPECT_COLOR_BIT, t.range.baseMip, 1, t.range.baseLayer,
                                      t.range.layerCount};
        vkCmdClearColorImage(core_.commands(), t.texture->image(), VK_IMAGE_LAYOUT_GENERAL, &value, 1, &range);
    } else {
        uint32_t bits;
        std::memcpy(&bits, &values[0], 4);
        vkCmdFillBuffer(core_.commands(), t.buffer->buffer(), t.buffer->offset() + t.offset, t.size & ~VkDeviceSize(3),
                        bits);
    }
    t.markUsed(core_.recordingSerial());
    core_.fullBarrier();
    core_.countOperation();
}

void ContextImpl::ClearUnorderedAccessViewUint(ID3D11UnorderedAccessView* view, const UINT values[4]) {
    if (!view || !values) return;
    const ViewTarget& t = static_cast<UavImpl*>(view)->target;
    if (t.texture) {
        VkClearColorValue value{};
        const FormatInfo* format = formatInfo(static_cast<UavImpl*>(view)->desc().Format);
        for (int i = 0; i < 4; ++i) {
            if (format && (format->kind == FormatKind::Uint || format->kind == FormatKind::Sint))
                value.uint32[i] = values[i];
            else
                value.float32[i] = static_cast<float>(values[i]);
        }
        VkImageSubresourceRange range{VK_IMAGE_ASPECT_COLOR_BIT, t.range.baseMip, 1, t.range.baseLayer,
                                      t.range.layerCount};
        vkCmdClearColorImage(core_.commands(), t.texture->image(), VK_IMAGE_LAYOUT_GENERAL, &value, 1, &range);
    } else {
        vkCmdFillBuffer(core_.commands(), t.buffer->buffer(), t.buffer->offset() + t.offset, t.size & ~VkDeviceSize(3),
                        values[0]);
    }
    t.markUsed(core_.recordingSerial());
    core_.fullBarrier();
    core_.countOperation();
}

// --------------------------------------------------------------------------
// Mip generation: each level is a linear blit of the one above, for every
// slice of the view.

void ContextImpl::GenerateMips(ID3D11ShaderResourceView* view) {
    if (!view) return;
    const ViewTarget& t = static_cast<SrvImpl*>(view)->target;
    TextureImpl* texture = t.texture;
    if (!texture) return debugOutput("GenerateMips: the view is not a texture view");
    if (!(texture->desc().MiscFlags & D3D11_RESOURCE_MISC_GENERATE_MIPS))
        return debugOutput("GenerateMips: the texture was created without D3D11_RESOURCE_MISC_GENERATE_MIPS");
    VkCommandBuffer cmd = core_.commands();
    for (uint32_t mip = t.range.baseMip + 1; mip < t.range.baseMip + t.range.mipCount; ++mip) {
        VkImageBlit blit{};
        blit.srcSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, mip - 1, t.range.baseLayer, t.range.layerCount};
        blit.srcOffsets[1] = {static_cast<int32_t>(texture->mipWidth(mip - 1)),
                              static_cast<int32_t>(texture->mipHeight(mip - 1)), 1};
        blit.dstSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, mip, t.range.baseLayer, t.range.layerCount};
        blit.dstOffsets[1] = {static_cast<int32_t>(texture->mipWidth(mip)), static_cast<int32_t>(texture->mipHeight(mip)),
                              1};
        vkCmdBlitImage(cmd, texture->image(), VK_IMAGE_LAYOUT_GENERAL, texture->image(), VK_IMAGE_LAYOUT_GENERAL, 1,
                       &blit, VK_FILTER_LINEAR);
        core_.fullBarrier();
    }
    texture->lastUse = core_.recordingSerial();
    core_.countOperation();
}

// --------------------------------------------------------------------------
// Copies and uploads

void ContextImpl::CopySubresourceRegion(ID3D11Resource* dst, UINT dstSubresource, UINT dstX, UINT dstY, UINT dstZ,
                                        ID3D11Resource* src, UINT srcSubresource, const D3D11_BOX* box) {
    const char* what = "CopySubresourceRegion";
    const uint64_t serial = core_.recordingSerial();
    if (BufferImpl *d = asBuffer(dst), *s = asBuffer(src); d && s) {
        UINT begin = box ? box->left : 0;
        UINT end = box ? box->right : s->desc().ByteWidth;
        if (dstSubresource || srcSubresource || begin >= end || end > s->desc().ByteWidth ||
            dstX + (end - begin) > d->desc().ByteWidth)
            return reportSkipped(what, "the buffer range does not fit");
        VkBufferCopy region{s->offset() + begin, d->offset() + dstX, end - begin};
        vkCmdCopyBuffer(core_.commands(), s->buffer(), d->buffer(), 1, &region);
        d->lastUse = s->lastUse = serial;
    } else if (TextureImpl *dt = asTexture(dst), *st = asTexture(src); dt && st) {
        if (dstSubresource >= dt->subresourceCount() || srcSubresource >= st->subresourceCount())
            return reportSkipped(what, "subresource index out of range");
        uint32_t srcMip = srcSubresource % st->desc().MipLevels, srcLayer = srcSubresource / st->desc().MipLevels;
        uint32_t dstMip = dstSubresource % dt->desc().MipLevels, dstLayer = dstSubresource / dt->desc().MipLevels;
        D3D11_BOX b = box ? *box : D3D11_BOX{0, 0, 0, st->mipWidth(srcMip), st->mipHeight(srcMip), 1};
        if (b.left >= b.right || b.top >= b.bottom || b.right > st->mipWidth(srcMip) ||
            b.bottom > st->mipHeight(srcMip) || dstZ != 0 || dstX + (b.right - b.left) > dt->mipWidth(dstMip) ||
            dstY + (b.bottom - b.top) > dt->mipHeight(dstMip))
            return reportSkipped(what, "the region does not fit the source or destination");
        if (st->format().bytesPerTexel != dt->format().bytesPerTexel ||
            isDepthFormat(st->vkFormat()) != isDepthFormat(dt->vkFormat()))
            return reportSkipped(what, std::string("formats ") + st->format().name + " and " + dt->format().name +
                                           " are not copy-compatible");
        VkImageCopy region{};
        VkImageAspectFlags aspect = aspectOf(st->vkFormat());
        region.srcSubresource = {aspect, srcMip, srcLayer, 1};
        region.srcOffset = {static_cast<int32_t>(b.left), static_cast<int32_t>(b.top), 0};
        region.dstSubresource = {aspect, dstMip, dstLayer, 1};
        region.dstOffset = {static_cast<int32_t>(dstX), static_cast<int32_t>(dstY), 0};
        region.extent = {b.right - b.left, b.bottom - b.top, 1};
        vkCmdCopyImage(core_.commands(), st->image(), VK_IMAGE_LAYOUT_GENERAL, dt->image(), VK_IMAGE_LAYOUT_GENERAL, 1,
                       &region);
        dt->lastUse = st->lastUse = serial;
    } else {
        return reportSkipped(what, "source and destination must both be buffers or both be textures");
    }
    core_.fullBarrier();
    core_.countOperation();
}

void ContextImpl::CopyResource(ID3D11Resource* dst, ID3D11Resource* src) {
    if (BufferImpl *d = asBuffer(dst), *s = asBuffer(src); d && s) {
        if (d->desc().ByteWidth != s->desc().ByteWidth) return reportSkipped("CopyResource", "buffer sizes differ");
        CopySubresourceRegion(dst, 0, 0, 0, 0, src, 0, nullptr);
    } else if (TextureImpl *dt = asTexture(dst), *st = asTexture(src); dt && st) {
        const D3D11_TEXTURE2D_DESC &a = dt->desc(), &b = st->desc();
        if (a.Width != b.Width || a.Height != b.Height || a.MipLevels != b.MipLevels || a.ArraySize != b.ArraySize)
            return reportSkipped("CopyResource", "texture sizes, mip counts or slice counts differ");
        for (UINT i = 0; i < dt->subresourceCount(); ++i) CopySubresourceRegion(dst, i, 0, 0, 0, src, i, nullptr);
    } else {
        reportSkipped("CopyResource", "source and destination must both be buffers or both be textures");
    }
}

void ContextImpl::UpdateSubresource(ID3D11Resource* dst, UINT dstSubresource, const D3D11_BOX* box, const void* data,
                                    UINT rowPitch, UINT /*depthPitch*/) {
    const char* what = "UpdateSubresource";
    if (!data) return reportSkipped(what, "no source data");
    VkCommandBuffer cmd = core_.commands();
    const uint64_t serial = core_.recordingSerial();
    if (BufferImpl* b = asBuffer(dst)) {
        const D3D11_BUFFER_DESC& desc = b->desc();
        if (desc.Usage != D3D11_USAGE_DEFAULT) return reportSkipped(what, "only D3D11_USAGE_DEFAULT buffers can be updated");
        UINT begin = box ? box->left : 0;
        UINT end = box ? box->right : desc.ByteWidth;
        if (dstSubresource != 0 || begin >= end || end > desc.ByteWidth)
            return reportSkipped(what, "the range does not fit the buffer");
        VkDeviceSize size = end - begin;
        if (size <= 65536 && begin % 4 == 0 && size % 4 == 0) {
            vkCmdUpdateBuffer(cmd, b->buffer(), b->offset() + begin, size, data);
        } else {
            StagingBuffer staging;
            if (VkResult r = core_.createStaging(size, false, staging); r != VK_SUCCESS) {
                reportVk(r, "UpdateSubresource: staging buffer");
                return;
            }
            std::memcpy(staging.mapped, data, size);
            VkBufferCopy region{0, b->offset() + begin, size};
            vkCmdCopyBuffer(cmd, staging.buffer, b->buffer(), 1, &region);
            core_.retireStaging(staging);
        }
        b->lastUse = serial;
    } else if (TextureImpl* t = asTexture(dst)) {
        if (t->desc().Usage != D3D11_USAGE_DEFAULT)
            return reportSkipped(what, "only D3D11_USAGE_DEFAULT textures can be updated");
        if (dstSubresource >= t->subresourceCount()) return reportSkipped(what, "subresource index out of range");
        uint32_t mip = dstSubresource % t->desc().MipLevels, layer = dstSubresource / t->desc().MipLevels;
        D3D11_BOX b = box ? *box : D3D11_BOX{0, 0, 0, t->mipWidth(mip), t->mipHeight(mip), 1};
        if (b.left >= b.right || b.top >= b.bottom || b.right > t->mipWidth(mip) || b.bottom > t->mipHeight(mip))
            return reportSkipped(what, "the box does not fit the subresource");
        UINT texel = t->format().bytesPerTexel;
        size_t row = size_t(b.right - b.left) * texel;
        size_t rows = b.bottom - b.top;
        if (rowPitch == 0) rowPitch = static_cast<UINT>(row);
        if (rowPitch < row) return reportSkipped(what, "the row pitch is smaller than a row");
        StagingBuffer staging;
        if (VkResult r = core_.createStaging(row * rows, false, staging); r != VK_SUCCESS) {
            reportVk(r, "UpdateSubresource: staging buffer");
            return;
        }
        for (size_t y = 0; y < rows; ++y)
            std::memcpy(static_cast<BYTE*>(staging.mapped) + y * row, static_cast<const BYTE*>(data) + y * rowPitch,
                        row);
        VkBufferImageCopy region{};
        region.imageSubresource = {aspectOf(t->vkFormat()) & ~VK_IMAGE_ASPECT_STENCIL_BIT, mip, layer, 1};
        region.imageOffset = {static_cast<int32_t>(b.left), static_cast<int32_t>(b.top), 0};
        region.imageExtent = {b.right - b.left, b.bottom - b.top, 1};
        vkCmdCopyBufferToImage(cmd, staging.buffer, t->image(), VK_IMAGE_LAYOUT_GENERAL, 1, &region);
        core_.retireStaging(staging);
        t->lastUse = serial;
    } else {
        return reportSkipped(what, "no destination");
    }
    core_.fullBarrier();
    core_.countOperation();
}

// --------------------------------------------------------------------------
// Mapping and readback

HRESULT ContextImpl::Map(ID3D11Resource* resource, UINT subresource, D3D11_MAP type, UINT flags,
                         D3D11_MAPPED_SUBRESOURCE* mapped) {
    BufferImpl* b = asBuffer(resource);
    if (!b || !mapped || subresource != 0) {
        debugOutput("Map: only buffers (subresource 0) can be mapped");
        return E_INVALIDARG;
    }
    const D3D11_BUFFER_DESC& desc = b->desc();
    bool inUse = b->lastUse && !core_.isComplete(b->lastUse);
    if (desc.Usage == D3D11_USAGE_DYNAMIC) {
        if (type == D3D11_MAP_WRITE_DISCARD) {
            // The GPU may still read the old contents: write into new storage.
            if (inUse) {
                if (HRESULT hr = b->rename(); FAILED(hr)) return hr;
            }
        } else if (type != D3D11_MAP_WRITE_NO_OVERWRITE) {
            debugOutput("Map: dynamic buffers take D3D11_MAP_WRITE_DISCARD or D3D11_MAP_WRITE_NO_OVERWRITE");
            return E_INVALIDARG;
        }
    } else if (desc.Usage == D3D11_USAGE_STAGING) {
        if (type == D3D11_MAP_WRITE_DISCARD || type == D3D11_MAP_WRITE_NO_OVERWRITE) {
            debugOutput("Map: staging buffers take D3D11_MAP_READ, D3D11_MAP_WRITE or D3D11_MAP_READ_WRITE");
            return E_INVALIDARG;
        }
        if (inUse) {
            if (flags & D3D11_MAP_FLAG_DO_NOT_WAIT) {
                if (b->lastUse == core_.recordingSerial()) core_.submit();
                return DXGI_ERROR_WAS_STILL_DRAWING;
            }
            if (!core_.waitFor(b->lastUse)) return DXGI_ERROR_DEVICE_REMOVED;
        }
    } else {
        debugOutput("Map: only D3D11_USAGE_DYNAMIC and D3D11_USAGE_STAGING buffers can be mapped");
        return E_INVALIDARG;
    }
    mapped->pData = b->mapped();
    mapped->RowPitch = desc.ByteWidth;
    mapped->DepthPitch = desc.ByteWidth;
    return mapped->pData ? S_OK : E_FAIL;
}

void ContextImpl::Unmap(ID3D11Resource*, UINT) {
    // Mapped memory is host-coherent and stays mapped.
}

HRESULT ContextImpl::ReadSubresource(ID3D11Resource* resource, UINT subresource, void* data, SIZE_T dataSize) {
    const char* what = "ReadSubresource";
    if (!resource || !data) return E_INVALIDARG;
    VkCommandBuffer cmd = core_.commands();
    if (BufferImpl* b = asBuffer(resource)) {
        if (subresource != 0 || dataSize != b->desc().ByteWidth) {
            debugOutput(std::string(what) + ": a buffer is read whole (" + std::to_string(b->desc().ByteWidth) +
                        " bytes)");
            return E_INVALIDARG;
        }
        if (VkResult r = readbackStaging(dataSize); r != VK_SUCCESS) return reportVk(r, what);
        VkBufferCopy region{b->offset(), 0, dataSize};
        vkCmdCopyBuffer(cmd, b->buffer(), readback_.buffer, 1, &region);
    } else if (TextureImpl* t = asTexture(resource)) {
        if (subresource >= t->subresourceCount()) return E_INVALIDARG;
        uint32_t mip = subresource % t->desc().MipLevels, layer = subresource / t->desc().MipLevels;
        VkImageAspectFlags aspect = aspectOf(t->vkFormat()) & ~VK_IMAGE_ASPECT_STENCIL_BIT;
        UINT texel = aspect == VK_IMAGE_ASPECT_DEPTH_BIT ? (t->vkFormat() == VK_FORMAT_D16_UNORM ? 2 : 4)
                                                         : t->format().bytesPerTexel;
        SIZE_T expected = SIZE_T(t->mipWidth(mip)) * t->mipHeight(mip) * texel;
        if (dataSize != expected) {
            debugOutput(std::string(what) + ": the subresource holds " + std::to_string(expected) + " bytes, not " +
                        std::to_string(dataSize));
            return E_INVALIDARG;
        }
        if (VkResult r = readbackStaging(dataSize); r != VK_SUCCESS) return reportVk(r, what);
        VkBufferImageCopy region{};
        region.imageSubresource = {aspect, mip, layer, 1};
        region.imageExtent = {t->mipWidth(mip), t->mipHeight(mip), 1};
        vkCmdCopyImageToBuffer(cmd, t->image(), VK_IMAGE_LAYOUT_GENERAL, readback_.buffer, 1, &region);
    } else {
        return E_INVALIDARG;
    }
    core_.fullBarrier();
    uint64_t serial = core_.recordingSerial();
    bool done = core_.waitFor(serial) && !core_.deviceLost;
    if (done) std::memcpy(data, readback_.mapped, dataSize);
    return done ? S_OK : DXGI_ERROR_DEVICE_REMOVED;
}

VkResult ContextImpl::readbackStaging(VkDeviceSize size) {
    // Every read waits for its copy, so the one buffer is free again when the
    // next read comes; it only grows.
    if (readback_.buffer && readbackBytes_ >= size) return VK_SUCCESS;
    if (readback_.buffer) core_.destroyStaging(readback_);
    readbackBytes_ = 0;
    VkResult r = core_.createStaging(size, true, readback_);
    if (r == VK_SUCCESS) readbackBytes_ = size;
    return r;
}



void ContextImpl::Flush() { core_.submit(); }

}  // namespace tolmero::gpu::detail
