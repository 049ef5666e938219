#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <imgui.h>

#include "core/config/FieldTypes.h"

namespace orvilane
{
class Component;
class SerializableData;
class Source;
struct FieldDescriptor;
} // namespace orvilane

namespace orvilaneeditor
{

class EditorSimulation;

// The component editor, shown as the "Inspector" window: edits the selected
// component live (flags, name, parent, local pose and every configuration
// field) and lets it react.
class Inspector
{
public:
    static constexpr int kNameBufferSize = 265;

    // How one kind of configuration field is edited: the row shows the field's
    // UI label or its member name, and edit draws the widget on the member.
    struct FieldEditColumn
    {
        bool mLabelRow;
        // True when the member was changed this frame.
        bool (*mEdit)(const orvilane::FieldDescriptor& field);
    };
    // The edit column of the field-type table, indexed by orvilane::FieldKind.
    static const std::array<FieldEditColumn, orvilane::kFieldKindCount>& FieldEditColumns();

    // The row text of a field: its UI label for real numbers, its member name
    // for every other kind; null for a field without a row (empty UI label or
    // a type the table lacks).
    static const std::string* RowText(const orvilane::FieldDescriptor& field);

    // Inclusive range the core accepts for an integer member, by member name:
    // the ray, sampling and pixel limits. Other members keep their full range.
    // oddOnly: validation keeps the member odd (both limits are odd then).
    struct IntegerRange
    {
        long long min;
        long long max;
        bool oddOnly = false;
    };
    static IntegerRange IntegerLimits(const std::string& member);

    // openResultWindow opens a result window on a component id (the "Results"
    // button of a detector).
    explicit Inspector(std::function<void(uint32_t)> openResultWindow);
    // The runner holding the selection; Show needs it set.
    void SetSimulation(EditorSimulation* simulation) { mSimulation = simulation; }

    void Show(bool* open);
    // Opens the two-column table "##properties"; when false (nothing of it is
    // shown) the caller adds no rows and does not end it.
    bool BeginPropertyTable();
    // Rows on a copy written back only when edited and every component is finite.
    bool PropertyVec3(const char* text, double* values);
    bool PropertyVec2(const char* text, double* values);
    bool PropertyBool(const char* text, bool* value);
    bool ShowFields(const std::shared_ptr<orvilane::SerializableData>& record, const char* title);
    bool ShowSourceConfiguration(const std::shared_ptr<orvilane::Source>& source);

    // printf into a 265-byte buffer; the character count or -1.
    static int FormatText(char* buffer, const char* format, ...);

private:
    // The component reacts, its drawables are rebuilt, every record is placed
    // and the preview refreshed once; nothing when it is no longer listed.
    void ApplyEdit(const std::shared_ptr<orvilane::Component>& component);
    // Applies the typed value held back, if any.
    void ApplyTypedEdit();

    std::function<void(uint32_t)> mOpenResultWindow;
    EditorSimulation* mSimulation = nullptr;
    char mNameBuffer[kNameBufferSize] = {};
    // Width of the widest row text of the component shown (pixels).
    float mRowTextWidth = 0.0f;
    // A value being typed: every keystroke writes the member, but the edit is
    // applied once, when its field is left, not once per partial value.
    std::shared_ptr<orvilane::Component> mTypedComponent;
    ImGuiID mTypedField = 0;
};

} // namespace orvilaneeditor
