// The attribute panel of the active tool: one widget per attribute of its description, set up
// from the attribute's type, limits and choices. A change sends the new value at once (the tool
// re-applies); values the server reports back replace what the widgets show, except in the
// widget the person is typing into.

const VECTOR_SIZES = { vector3d: 3, vector3i: 3, vector4f: 4 };

function numberInput(attribute, integer) {
  const input = document.createElement('input');
  input.type = 'number';
  if (attribute.min !== null && attribute.min !== undefined) input.min = attribute.min;
  if (attribute.max !== null && attribute.max !== undefined) input.max = attribute.max;
  input.step = attribute.step ?? (integer ? 1 : 'any');
  return input;
}

// A widget: { element, show(value), read() }; read() throws with a message on unusable input.
function widgetFor(attribute, changed) {
  const type = attribute.type;
  const uiType = attribute.tags?.ui_type;
  if (type === 'bool') {
    const input = document.createElement('input');
    input.type = 'checkbox';
    input.addEventListener('change', changed);
    return { element: input, show: (v) => (input.checked = !!v), read: () => input.checked };
  }
  if (type === 'int' && Array.isArray(attribute.choices) && uiType === 'button_group') {
    const element = document.createElement('span');
    element.className = 'button-group';
    let current = 0;
    const buttons = attribute.choices.map((choice, index) => {
      const b = document.createElement('button');
      b.textContent = choice;
      b.addEventListener('click', () => {
        current = index;
        changed();
      });
      element.append(b);
      return b;
    });
    return {
      element,
      show: (v) => {
        current = v;
        buttons.forEach((b, i) => b.classList.toggle('active', i === v));
      },
      read: () => current,
    };
  }
  if (type === 'int' && Array.isArray(attribute.choices)) {
    const select = document.createElement('select');
    attribute.choices.forEach((choice, index) => select.add(new Option(choice, index)));
    select.addEventListener('change', changed);
    return { element: select, show: (v) => (select.value = v), read: () => Number(select.value) };
  }
  if (type === 'int' || type === 'double') {
    const input = numberInput(attribute, type === 'int');
    input.addEventListener('change', changed);
    return {
      element: input,
      show: (v) => (input.value = v),
      read: () => {
        const v = Number(input.value);
        if (input.value === '' || !Number.isFinite(v)) throw new Error(`${attribute.name} needs a number`);
        return type === 'int' ? Math.round(v) : v;
      },
    };
  }
  if (type in VECTOR_SIZES) {
    const element = document.createElement('span');
    element.className = 'vector';
    const inputs = Array.from({ length: VECTOR_SIZES[type] }, () => {
      const input = numberInput({}, type === 'vector3i');
      input.addEventListener('change', changed);
      element.append(input);
      return input;
    });
    return {
      element,
      show: (v) => inputs.forEach((input, k) => (input.value = v?.[k] ?? 0)),
      read: () => inputs.map((input) => Number(input.value)),
    };
  }
  if (type === 'string') {
    const input = document.createElement('input');
    input.type = 'text';
    input.addEventListener('change', changed);
    return { element: input, show: (v) => (input.value = v ?? ''), read: () => input.value };
  }
  // Lists, tuples and matrices: their JSON, edited as text.
  const input = document.createElement('input');
  input.type = 'text';
  input.className = 'json';
  input.addEventListener('change', changed);
  return {
    element: input,
    show: (v) => (input.value = JSON.stringify(v)),
    read: () => {
      try {
        return JSON.parse(input.value);
      } catch {
        throw new Error(`${attribute.name} needs a JSON value`);
      }
    },
  };
}

export class AttributePanel {
  constructor(root, { set, notify }) {
    this.root = root;
    this.set = set;
    this.notify = notify;
    this.toolName = null;
    this.widgets = new Map();
  }

  // tool: the state's tool (or null); description: the tool's hello description.
  setTool(tool, description) {
    if ((tool?.name ?? null) !== this.toolName) this.build(tool, description);
    if (!tool) return;
    for (const [name, w] of this.widgets) {
      if (!(name in tool.values)) continue;
      const typing = document.activeElement?.tagName === 'INPUT' && document.activeElement.type !== 'checkbox';
      if (typing && w.element.contains(document.activeElement)) continue;
      w.show(tool.values[name]);
    }
  }

  build(tool, description) {
    this.toolName = tool?.name ?? null;
    this.widgets.clear();
    this.root.replaceChildren();
    if (!tool) return;
    const heading = document.createElement('h3');
    heading.textContent = tool.user_name ?? tool.name;
    this.root.append(heading);
    // Attributes a tool keeps out of its standard panel are still worth setting by hand: they go
    // in a folded section, open when the tool shows nothing else.
    const attributes = description?.attributes ?? [];
    const more = document.createElement('details');
    more.className = 'more';
    more.open = !attributes.some((a) => a.show_ui !== false);
    const summary = document.createElement('summary');
    summary.textContent = 'More settings';
    more.append(summary);
    for (const attribute of attributes) {
      const row = document.createElement('div');
      row.className = 'attribute';
      row.dataset.attribute = attribute.name;
      const name = document.createElement('span');
      name.textContent = attribute.user_name ?? attribute.name;
      const widget = widgetFor(attribute, () => {
        try {
          this.set(attribute.name, widget.read());
        } catch (error) {
          this.notify('error', error.message);
        }
      });
      row.append(name, widget.element);
      (attribute.show_ui === false ? more : this.root).append(row);
      this.widgets.set(attribute.name, widget);
    }
    if (more.childElementCount > 1) this.root.append(more);
  }
}
