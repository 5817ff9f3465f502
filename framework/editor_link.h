#pragma once
// What the plug-in base needs of its editor. The editor (IGraphics) implements it; the base
// owns the editor through this interface and never sees the graphics classes.

namespace fluvia {

class IEditorLink {
 public:
  virtual ~IEditorLink() = default;

  // A parameter changed on the plug-in side: update the bound controls (values only; the
  // editor's timer redraws). With normalised false the value is a real value.
  virtual void SetParameterFromPlug(int index, double value, bool normalised) = 0;
  // Creates the drawing surfaces at the editor size.
  virtual void PrepareDrawing() = 0;

  virtual int Width() const = 0;
  virtual int Height() const = 0;

  // Opens the editor window as a child of a host window (a platform window handle); returns
  // the editor's own window handle, or nullptr when it cannot open one.
  virtual void* OpenWindow(void* parent) = 0;
  virtual void CloseWindow() = 0;
  virtual bool WindowIsOpen() const = 0;
};

}  // namespace fluvia
