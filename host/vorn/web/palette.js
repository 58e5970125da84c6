// The palette of tools and commands, grouped by category and sub-category as the components
// describe themselves. Components the host does not offer for the current selection stay visible
// but disabled, so the palette does not jump around as the selection changes.

const label = (c) => c.tags?.user_name ?? c.name;

export class Palette {
  constructor(root, { activate, run }) {
    this.root = root;
    this.activate = activate;
    this.run = run;
    this.buttons = new Map();
  }

  setComponents(components) {
    this.root.replaceChildren();
    this.buttons.clear();
    const groups = new Map();
    for (const c of components) {
      if (c.tags?.hidden) continue;
      const key = `${c.tags?.category ?? 'Other'}\u0000${c.tags?.sub_category ?? ''}`;
      if (!groups.has(key)) groups.set(key, []);
      groups.get(key).push(c);
    }
    const keys = [...groups.keys()].sort();
    for (const key of keys) {
      const [category, sub] = key.split('\u0000');
      const section = document.createElement('section');
      const heading = document.createElement('h3');
      heading.textContent = sub ? `${category} · ${sub}` : category;
      section.append(heading);
      for (const c of groups.get(key).sort((a, b) => label(a).localeCompare(label(b)))) {
        const button = document.createElement('button');
        button.textContent = label(c);
        button.title = `${c.name} (${c.kind})${c.tags?.help_text ? `\n${c.tags.help_text}` : ''}`;
        button.dataset.component = c.name;
        button.classList.add(c.kind);
        button.addEventListener('click', () => (c.kind === 'tool' ? this.activate(c.name) : this.run(c.name)));
        section.append(button);
        this.buttons.set(c.name, button);
      }
      this.root.append(section);
    }
  }

  // offered: names runnable now; active: the active tool's name or null.
  setState(offered, active) {
    const runnable = new Set(offered);
    for (const [name, button] of this.buttons) {
      button.disabled = !runnable.has(name) && name !== active;
      button.classList.toggle('active', name === active);
    }
  }
}
