#include "editor/windows/ComponentEditor.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <utility>

#include <imgui.h>
#include <imgui_internal.h>

#include "core/components/Element.h"
#include "core/config/SerializableData.h"
#include "core/elements/EleDetector.h"
#include "core/sources/IFieldGenerator.h"
#include "core/sources/RayGeneratorBeam.h"
#include "core/sources/Source.h"
#include "core/surfaces/SurfaceBase.h"
#include "editor/runner/EditorSimulation.h"

namespace orvilaneeditor
{

using orvilane::FieldDescriptor;
using orvilane::FieldKind;

namespace
{
// One property row: the text in the first column, the widget "##Editor" filling the second.
template <typename Widget>
bool Row(const char* text, Widget widget)
{
    ImGui::TableNextRow();
    ImGui::PushID(text);
    ImGui::TableNextColumn();
    ImGui::AlignTextToFramePadding();
    ImGui::PushTextWrapPos(0.0f); // a label wider than its column goes on in a second line
    ImGui::TextUnformatted(text);
    ImGui::PopTextWrapPos();
    ImGui::TableNextColumn();
    ImGui::SetNextItemWidth(-FLT_MIN);
    const bool changed = widget();
    ImGui::PopID();
    return changed;
}

// Real numbers may be typed with an exponent ("5e-7").
constexpr ImGuiInputTextFlags kRealInput = ImGuiInputTextFlags_CharsScientific;

bool AllFinite(const double* values, int count)
{
    for (int k = 0; k < count; ++k)
        if (!std::isfinite(values[k]))
            return false;
    return true;
}

// A double editor on a copy: an edit that leaves a non-finite number is refused
// and the member keeps its old value.
bool EditDoubles(double* values, int count, const char* format)
{
    double copy[3] = {};
    std::copy(values, values + count, copy);
    if (!ImGui::InputScalarN("##Editor", ImGuiDataType_Double, copy, count, nullptr, nullptr, format, kRealInput) ||
        !AllFinite(copy, count))
        return false;
    std::copy(copy, copy + count, values);
    return true;
}

// A real-number field on a copy; a non-finite entry is refused.
template <typename Real, ImGuiDataType kType>
bool EditReal(const FieldDescriptor& field, const char* format)
{
    Real* member = static_cast<Real*>(field.mAddress);
    Real copy = *member;
    if (!ImGui::InputScalar("##Editor", kType, &copy, nullptr, nullptr, format, kRealInput) || !std::isfinite(copy))
        return false;
    *member = copy;
    return true;
}

bool EditDouble(const FieldDescriptor& field)
{
    return EditReal<double, ImGuiDataType_Double>(field, "%12.5e");
}

bool EditFloat(const FieldDescriptor& field)
{
    return EditReal<float, ImGuiDataType_Float>(field, "%.3f");
}

// An integer editor drawn as the library's own InputInt (text, then "-" and
// "+" with repeat; Ctrl steps by 100), so that a step can be told from typing.
// A typed value is clamped to the member's limits; a step of a member kept odd
// moves to the next odd value, where the plain step would be undone by Validate.
bool EditInt(const FieldDescriptor& field)
{
    int* member = static_cast<int*>(field.mAddress);
    const Inspector::IntegerRange range = Inspector::IntegerLimits(field.mName);
    const ImGuiStyle& style = ImGui::GetStyle();
    const float button = ImGui::GetFrameHeight();
    int copy = *member;
    int direction = 0;
    ImGui::BeginGroup();
    ImGui::PushID("##Editor"); // the text field keeps the id "##Editor" of the row
    ImGui::SetNextItemWidth(std::max(1.0f, ImGui::CalcItemWidth() - (button + style.ItemInnerSpacing.x) * 2.0f));
    const bool typed = ImGui::InputScalar("", ImGuiDataType_S32, &copy);
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(style.FramePadding.y, style.FramePadding.y));
    ImGui::PushButtonRepeat(true);
    ImGui::SameLine(0.0f, style.ItemInnerSpacing.x);
    if (ImGui::Button("-", ImVec2(button, button)))
        direction = -1;
    ImGui::SameLine(0.0f, style.ItemInnerSpacing.x);
    if (ImGui::Button("+", ImVec2(button, button)))
        direction = 1;
    ImGui::PopButtonRepeat();
    ImGui::PopStyleVar();
    ImGui::PopID();
    ImGui::EndGroup();

    long long wanted = *member;
    if (direction != 0)
    {
        wanted += direction * (ImGui::GetIO().KeyCtrl ? 100 : 1);
        if (range.oddOnly && wanted % 2 == 0)
            wanted += direction;
    }
    else if (typed)
        wanted = copy;
    else
        return false;
    const int clamped = static_cast<int>(std::clamp<long long>(wanted, range.min, range.max));
    if (clamped == *member)
        return false;
    *member = clamped;
    return true;
}

bool EditBool(const FieldDescriptor& field)
{
    return ImGui::Checkbox("##Editor", static_cast<bool*>(field.mAddress));
}

bool EditVec3(const FieldDescriptor& field)
{
    return EditDoubles(static_cast<arma::vec3*>(field.mAddress)->memptr(), 3, "%10.3e");
}

bool EditVec2(const FieldDescriptor& field)
{
    return EditDoubles(static_cast<arma::vec2*>(field.mAddress)->memptr(), 2, nullptr);
}

bool EditVec2LL(const FieldDescriptor& field)
{
    orvilane::Vec2LL& member = *static_cast<orvilane::Vec2LL*>(field.mAddress);
    long long copy[2] = {member[0], member[1]};
    if (!ImGui::InputScalarN("##Editor", ImGuiDataType_S64, copy, 2))
        return false;
    const Inspector::IntegerRange range = Inspector::IntegerLimits(field.mName);
    bool changed = false;
    for (int k = 0; k < 2; ++k)
    {
        const long long clamped = std::clamp(copy[k], range.min, range.max);
        changed = changed || clamped != member[k];
        member[k] = clamped;
    }
    return changed;
}

bool EditVec3LL(const FieldDescriptor&)
{
    ImGui::TextUnformatted("ERROR: data type not supported");
    return false;
}

bool EditComplex(const FieldDescriptor& field)
{
    std::complex<double>& member = *static_cast<std::complex<double>*>(field.mAddress);
    double parts[2] = {member.real(), member.imag()};
    if (!EditDoubles(parts, 2, "%10.3e"))
        return false;
    member = {parts[0], parts[1]};
    return true;
}

// The narrowest value column that shows a three-number "%10.3e" row whole,
// the widest of the inspector's values.
float ValueColumnMinimum()
{
    const ImGuiStyle& style = ImGui::GetStyle();
    const float number = ImGui::CalcTextSize("-0.000e+00").x + style.FramePadding.x * 2.0f + 1.0f;
    return number * 3.0f + style.ItemInnerSpacing.x * 2.0f;
}

// Width of the widest row text the component's tables show: flags, pose and
// every field of its records.
float WidestRowText(const orvilane::Component& component)
{
    float widest = 0.0f;
    auto widen = [&widest](const char* text) { widest = std::max(widest, ImGui::CalcTextSize(text).x); };
    for (const char* text : {"Enabled", "Save Input Fields", "Save Output Fields", "Position", "Rotation"})
        widen(text);
    auto record = [&widen](const std::shared_ptr<orvilane::SerializableData>& config) {
        if (config)
            for (const FieldDescriptor& field : config->mFields)
                if (const std::string* text = Inspector::RowText(field))
                    widen(text->c_str());
    };
    if (const auto* source = dynamic_cast<const orvilane::Source*>(&component))
    {
        record(source->mConfig);
        if (source->mFieldGenerator)
            record(source->mFieldGenerator->mConfig);
        if (source->mRayGenerator)
            record(source->mRayGenerator->mConfig);
    }
    else if (const auto* element = dynamic_cast<const orvilane::Element*>(&component))
    {
        record(element->mConfig);
        for (const auto& surface : element->mSurfaces)
            if (surface)
                record(surface->mConfig);
    }
    return widest;
}

// Largest odd sampling whose two complex grids stay within the generators' byte limit.
constexpr long long MaxSamplingPoints()
{
    const unsigned long long samples = orvilane::IFieldGenerator::kMaxGridBytes / (2 * sizeof(std::complex<double>));
    long long n = 1;
    while (static_cast<unsigned long long>(n + 1) * static_cast<unsigned long long>(n + 1) <= samples)
        ++n;
    return n % 2 == 1 ? n : n - 1;
}

// Largest n with n * n rays in one grid pass.
constexpr long long MaxRaysPerSide()
{
    long long n = 1;
    while ((n + 1) * (n + 1) <= orvilane::RayGeneratorBeam::kMaxRaysPerPass)
        ++n;
    return n;
}
} // namespace

const std::array<Inspector::FieldEditColumn, orvilane::kFieldKindCount>& Inspector::FieldEditColumns()
{
    // Indexed by FieldKind; only real and single-precision numbers show their UI label.
    static const std::array<FieldEditColumn, orvilane::kFieldKindCount> columns = [] {
        std::array<FieldEditColumn, orvilane::kFieldKindCount> c{};
        auto set = [&c](FieldKind kind, bool labelRow, bool (*edit)(const FieldDescriptor&)) {
            c[static_cast<size_t>(kind)] = FieldEditColumn{labelRow, edit};
        };
        set(FieldKind::Double, true, EditDouble);
        set(FieldKind::Float, true, EditFloat);
        set(FieldKind::Int, false, EditInt);
        set(FieldKind::Bool, false, EditBool);
        set(FieldKind::Vec3, false, EditVec3);
        set(FieldKind::Vec2, false, EditVec2);
        set(FieldKind::Vec3LL, false, EditVec3LL);
        set(FieldKind::Vec2LL, false, EditVec2LL);
        set(FieldKind::Complex, false, EditComplex);
        return c;
    }();
    return columns;
}

const std::string* Inspector::RowText(const FieldDescriptor& field)
{
    if (field.mLabel.empty() || field.mFieldType == nullptr)
        return nullptr;
    return FieldEditColumns()[static_cast<size_t>(field.mFieldType->mKind)].mLabelRow ? &field.mLabel : &field.mName;
}

Inspector::IntegerRange Inspector::IntegerLimits(const std::string& member)
{
    struct Limit
    {
        const char* member;
        IntegerRange range;
    };
    static const Limit kLimits[] = {
        {"mSamplingPoints", {3, MaxSamplingPoints(), true}},
        {"mNumberRaysPerSide", {1, MaxRaysPerSide()}},
        {"mNumberRayMultiplierForRandom", {1, orvilane::RayGeneratorBeam::kMaxRaysPerPass}},
        {"Resolution", {1, orvilane::EleDetector::kMaxPixelsPerSide}},
    };
    for (const Limit& limit : kLimits)
        if (member == limit.member)
            return limit.range;
    return {INT32_MIN, INT32_MAX};
}

Inspector::Inspector(std::function<void(uint32_t)> openResultWindow) : mOpenResultWindow(std::move(openResultWindow)) {}

int Inspector::FormatText(char* buffer, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int count = std::vsnprintf(buffer, kNameBufferSize, format, args);
    va_end(args);
    return count < 0 ? -1 : count;
}

bool Inspector::BeginPropertyTable()
{
    // The text column fits the widest row text, short of the room the widest
    // value needs; a longer text wraps. Fixed, so no saved width can cut it.
    const float room = ImGui::GetContentRegionAvail().x - ImGui::GetStyle().CellPadding.x * 2.0f - ValueColumnMinimum();
    // Without a component measured yet (0) the column fits its texts.
    const float textWidth = mRowTextWidth > 0.0f ? std::max(1.0f, std::min(mRowTextWidth, room)) : 0.0f;
    if (!ImGui::BeginTable("##properties", 2, ImGuiTableFlags_Resizable))
        return false;
    ImGui::TableSetupColumn("##text", ImGuiTableColumnFlags_WidthFixed | ImGuiTableColumnFlags_NoResize, textWidth);
    ImGui::TableSetupColumn("##value", ImGuiTableColumnFlags_WidthStretch, 2.0f);
    return true;
}

bool Inspector::PropertyVec3(const char* text, double* values)
{
    return Row(text, [values] { return EditDoubles(values, 3, "%10.3e"); });
}

bool Inspector::PropertyVec2(const char* text, double* values)
{
    return Row(text, [values] { return EditDoubles(values, 2, "%10.3e"); });
}

bool Inspector::PropertyBool(const char* text, bool* value)
{
    return Row(text, [value] { return ImGui::Checkbox("##Editor", value); });
}

bool Inspector::ShowFields(const std::shared_ptr<orvilane::SerializableData>& record, const char* title)
{
    ImGui::Spacing();
    ImGui::Separator();
    ImGui::TextUnformatted(title);
    bool changed = false;
    if (!BeginPropertyTable())
        return false;
    for (const FieldDescriptor& field : record->mFields)
    {
        if (field.mLabel.empty())
            continue;
        const std::string* text = RowText(field);
        if (text == nullptr)
        {
            std::printf("Type not supported for variable %s\n", field.mName.c_str());
            continue;
        }
        const FieldEditColumn& column = FieldEditColumns()[static_cast<size_t>(field.mFieldType->mKind)];
        if (Row(text->c_str(), [&] { return column.mEdit(field); }))
            changed = true;
    }
    ImGui::EndTable();
    if (changed)
        record->Validate();
    return changed;
}

bool Inspector::ShowSourceConfiguration(const std::shared_ptr<orvilane::Source>& source)
{
    bool changed = false;
    if (ImGui::BeginCombo("Type", orvilane::Source::GetSourceTypeName(source->mSourceType)))
    {
        for (int type = 0; type < 2; ++type)
        {
            const bool current = type == source->mSourceType;
            if (ImGui::Selectable(orvilane::Source::GetSourceTypeName(type), current) && !current)
            {
                source->SetSourceType(type);
                changed = true;
            }
            if (current)
                ImGui::SetItemDefaultFocus();
        }
        ImGui::EndCombo();
    }
    if (source->mSourceType == 0 || source->mSourceType == 1)
    {
        if (source->mConfig)
            changed |= ShowFields(source->mConfig, "General");
        if (source->mFieldGenerator && source->mFieldGenerator->mConfig)
            changed |= ShowFields(source->mFieldGenerator->mConfig, "Electromagnetic");
        if (source->mRayGenerator && source->mRayGenerator->mConfig)
            changed |= ShowFields(source->mRayGenerator->mConfig, "Raytracing");
        if (ImGui::Button("Generate RT settings from EM values"))
        {
            source->UpdateGeneratorsConfig();
            changed = true;
        }
    }
    return changed;
}

void Inspector::ApplyEdit(const std::shared_ptr<orvilane::Component>& component)
{
    EditorSimulation& simulation = *mSimulation;
    for (Selectable& record : simulation.mSelectables)
    {
        if (record.mComponent != component)
            continue;
        component->OnConfigChanged();
        // Children follow a moved parent; the edit is traced once, at the end.
        simulation.Batch([&] {
            simulation.UpdateSelectable(&record, true);
            simulation.UpdateAllSelectables(false);
        });
        return;
    }
}

void Inspector::ApplyTypedEdit()
{
    if (mTypedComponent)
        ApplyEdit(mTypedComponent);
    mTypedComponent.reset();
    mTypedField = 0;
}

void Inspector::Show(bool* open)
{
    // Left by now (Enter, a click elsewhere, or no longer drawn); held while a
    // run reads the components.
    if (mTypedComponent && ImGui::GetActiveID() != mTypedField && !mSimulation->IsRunInProgress())
        ApplyTypedEdit();
    // First-use place and size come from the windows manager's layout.
    if (!ImGui::Begin("Inspector", open, ImGuiWindowFlags_NoCollapse))
    {
        ImGui::End();
        return;
    }
    EditorSimulation& simulation = *mSimulation;
    Selectable* selected = simulation.GetSelected();
    if (selected == nullptr)
    {
        ImGui::TextUnformatted("Nothing selected");
        ImGui::End();
        return;
    }
    if (simulation.IsRunInProgress())
    {
        // The worker reads the components: nothing of them is read or written until it is joined.
        ImGui::TextUnformatted(selected->mListLabel.c_str());
        ImGui::TextUnformatted("Simulation running: editing resumes when it ends.");
        ImGui::End();
        return;
    }
    const std::shared_ptr<orvilane::Component> component = selected->mComponent;
    mRowTextWidth = WidestRowText(*component);

    bool changed = false;
    bool enabled = component->mEnabled;
    if (BeginPropertyTable())
    {
        // Written back only when toggled: the member is not touched otherwise.
        if (PropertyBool("Enabled", &enabled))
        {
            component->mEnabled = enabled;
            changed = true;
        }
        // The save flags are stored in the simulation file: a change to keep, not to rebuild.
        const bool saveInput = PropertyBool("Save Input Fields", &component->mSaveInputFields);
        const bool saveOutput = PropertyBool("Save Output Fields", &component->mSaveOutputFields);
        if (saveInput || saveOutput)
            simulation.mUnsaved = true;
        ImGui::EndTable();
    }

    ImGui::Text("%s - %s  ID: %5d", component->mNodeName.c_str(), component->mTypeName.c_str(),
                static_cast<int>(component->mId));

    FormatText(mNameBuffer, "%s", component->mLabel.c_str());
    if (ImGui::InputText("Name", mNameBuffer, sizeof(mNameBuffer)))
    {
        component->mLabel = mNameBuffer;
        selected->mListLabel = Selectable::MakeListLabel(*component);
        simulation.mUnsaved = true; // the label is stored in the simulation file
    }

    std::vector<Selectable>& candidates = simulation.mSelectables;
    int parentIndex = -1;
    for (size_t i = 0; i < candidates.size() && component->mParent != nullptr; ++i)
        if (candidates[i].mComponent.get() == component->mParent)
        {
            parentIndex = static_cast<int>(i);
            break;
        }

    ImGui::Separator();
    if (ImGui::TreeNode("Transform"))
    {
        const char* preview =
            parentIndex >= 0 ? candidates[static_cast<size_t>(parentIndex)].mListLabel.c_str() : "---";
        if (ImGui::BeginCombo("Parent", preview))
        {
            for (size_t i = 0; i < candidates.size(); ++i)
            {
                if (!component->CanBeParent(candidates[i].mComponent.get()))
                    continue;
                const bool current = static_cast<int>(i) == parentIndex;
                ImGui::PushID(static_cast<int>(i));
                if (ImGui::Selectable(candidates[i].mListLabel.c_str(), current))
                {
                    if (!current)
                    {
                        component->SetParent(candidates[i].mComponent.get());
                        changed = true;
                    }
                    parentIndex = static_cast<int>(i);
                }
                if (current)
                    ImGui::SetItemDefaultFocus();
                ImGui::PopID();
            }
            ImGui::EndCombo();
        }
        if (ImGui::Button("Reset Parent"))
        {
            component->SetParent(nullptr);
            changed = true;
        }
        if (BeginPropertyTable())
        {
            double position[3] = {component->mLocalPosition.x, component->mLocalPosition.y,
                                  component->mLocalPosition.z};
            if (PropertyVec3("Position", position))
            {
                component->SetPosition(glm::dvec3(position[0], position[1], position[2]));
                changed = true;
            }
            double rotation[3] = {component->mLocalRotation.x, component->mLocalRotation.y,
                                  component->mLocalRotation.z};
            if (PropertyVec3("Rotation", rotation))
            {
                component->SetRotation(glm::dvec3(rotation[0], rotation[1], rotation[2]));
                changed = true;
            }
            ImGui::EndTable();
        }
        ImGui::TreePop();
    }

    bool sourceChanged = false;
    if (const auto source = std::dynamic_pointer_cast<orvilane::Source>(component))
    {
        ImGui::Separator();
        sourceChanged = ShowSourceConfiguration(source);
    }
    else if (const auto element = std::dynamic_pointer_cast<orvilane::Element>(component))
    {
        if (element->mConfig)
            changed |= ShowFields(element->mConfig, "Configuration");
        int shown = 0;
        for (const auto& surface : element->mSurfaces)
        {
            if (!surface || !surface->mConfig)
                continue;
            char title[32];
            std::snprintf(title, sizeof(title), "Surface %d", shown++);
            changed |= ShowFields(surface->mConfig, title);
        }
    }

    if (std::dynamic_pointer_cast<orvilane::EleDetector>(component))
    {
        ImGui::Spacing();
        ImGui::Separator();
        if (ImGui::Button("Open Results"))
            if (mOpenResultWindow)
                mOpenResultWindow(component->mId);
    }

    if (changed || sourceChanged)
    {
        if (mTypedComponent != component)
            ApplyTypedEdit();
        // A text field still active is being typed into: its partial values
        // ("6" of "6.4e-7") are written but not rebuilt and traced each.
        const ImGuiID active = ImGui::GetActiveID();
        if (active != 0 && ImGui::GetInputTextState(active) != nullptr)
        {
            mTypedComponent = component;
            mTypedField = active;
            simulation.mUnsaved = true;
        }
        else
        {
            mTypedComponent.reset();
            mTypedField = 0;
            ApplyEdit(component);
        }
    }
    ImGui::End();
}

} // namespace orvilaneeditor
