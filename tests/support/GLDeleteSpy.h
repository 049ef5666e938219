#pragma once

#include <vector>

#include "editor/platform/GLContext.h"

namespace orvilaneeditor::test
{

// Records every name passed to the GL delete calls, forwarding them to the
// driver, for its lifetime. Needs the entry points loaded; one spy at a time.
struct GLDeleteSpy
{
    GLDeleteSpy()
    {
        sActive = this;
        glad_glDeleteBuffers = [](GLsizei n, const GLuint* ids) { Record(n, ids, nullptr)->buffers(n, ids); };
        glad_glDeleteVertexArrays = [](GLsizei n, const GLuint* ids) { Record(n, ids, nullptr)->arrays(n, ids); };
        glad_glDeleteTextures = [](GLsizei n, const GLuint* ids) {
            Record(n, ids, &sActive->textureNames)->textures(n, ids);
        };
        glad_glDeleteProgram = [](GLuint id) { Record(1, &id, nullptr)->program(id); };
        glad_glDeleteFramebuffers = [](GLsizei n, const GLuint* ids) {
            Record(n, ids, &sActive->framebufferNames)->framebuffers(n, ids);
        };
        glad_glDeleteRenderbuffers = [](GLsizei n, const GLuint* ids) {
            Record(n, ids, &sActive->renderbufferNames)->renderbuffers(n, ids);
        };
    }
    ~GLDeleteSpy()
    {
        glad_glDeleteBuffers = buffers;
        glad_glDeleteVertexArrays = arrays;
        glad_glDeleteTextures = textures;
        glad_glDeleteProgram = program;
        glad_glDeleteFramebuffers = framebuffers;
        glad_glDeleteRenderbuffers = renderbuffers;
        sActive = nullptr;
    }
    GLDeleteSpy(const GLDeleteSpy&) = delete;
    GLDeleteSpy& operator=(const GLDeleteSpy&) = delete;

    static GLDeleteSpy* Record(GLsizei n, const GLuint* ids, std::vector<GLuint>* kind)
    {
        ++sActive->calls;
        sActive->names.insert(sActive->names.end(), ids, ids + n);
        if (kind != nullptr)
            kind->insert(kind->end(), ids, ids + n);
        return sActive;
    }

    std::vector<GLuint> names; // every name asked to be deleted, in order
    std::vector<GLuint> textureNames;
    std::vector<GLuint> framebufferNames;
    std::vector<GLuint> renderbufferNames;
    int calls = 0;
    PFNGLDELETEBUFFERSPROC buffers = glad_glDeleteBuffers;
    PFNGLDELETEVERTEXARRAYSPROC arrays = glad_glDeleteVertexArrays;
    PFNGLDELETETEXTURESPROC textures = glad_glDeleteTextures;
    PFNGLDELETEPROGRAMPROC program = glad_glDeleteProgram;
    PFNGLDELETEFRAMEBUFFERSPROC framebuffers = glad_glDeleteFramebuffers;
    PFNGLDELETERENDERBUFFERSPROC renderbuffers = glad_glDeleteRenderbuffers;
    static inline GLDeleteSpy* sActive = nullptr;
};

} // namespace orvilaneeditor::test
