// The "Format" control and each format's own options, built from the module's format registry:
// the page holds no list of formats or options of its own.
//
// The registry, as the module's formats() gives it (web/formats_json.h):
//   [{name, help, default, depths: [bits...], arrayName, binaryUnlessArray,
//     options: [{option, help, takesValue, values: [...], default}, ...]}]
// An option with values is a choice, one that takes no value a switch, any other takes text.

// The registry with a map from name to format.
export function normalizeFormats(registry) {
    const list = registry.map((format) => ({
        name: format.name,
        help: format.help,
        isDefault: format.default === true,
        depths: format.depths,
        arrayName: format.arrayName,
        binaryUnlessArray: format.binaryUnlessArray,
        options: format.options,
    }));
    const chosen = list.find((format) => format.isDefault) ?? list[0];
    return {
        list,
        byName: new Map(list.map((format) => [format.name, format])),
        defaultName: chosen.name,
    };
}

// "--lvgl-version" is labelled "Lvgl version".
function labelFor(option) {
    const words = option.replace(/^-+/, '').replace(/-/g, ' ');
    return words.charAt(0).toUpperCase() + words.slice(1);
}

let nextId = 1;

function field(labelText, control, help, isCheck) {
    const wrap = document.createElement('div');
    wrap.className = isCheck ? 'field check' : 'field';
    control.id = 'option-' + nextId++;
    const label = document.createElement('label');
    label.htmlFor = control.id;
    label.textContent = labelText;
    wrap.append(...(isCheck ? [control, label] : [label, control]));
    if (help) {
        const hint = document.createElement('span');
        hint.className = 'hint';
        hint.id = control.id + '-hint';
        hint.textContent = help.split('\n').join(' ');
        control.setAttribute('aria-describedby', hint.id);
        wrap.append(hint);
    }
    return wrap;
}

function choice(option, values, defaultValue) {
    const select = document.createElement('select');
    for (const value of values) {
        const item = document.createElement('option');
        item.value = value;
        item.textContent = value === defaultValue ? value + ' (default)' : value;
        select.append(item);
    }
    select.value = defaultValue;
    select.dataset.option = option;
    select.dataset.default = defaultValue;
    return select;
}

function control(entry) {
    if (entry.values && entry.values.length > 0) {
        const values = entry.values.map(String);
        const defaultValue = entry.default !== '' ? entry.default : values[0];
        return field(labelFor(entry.option), choice(entry.option, values, defaultValue), entry.help);
    }
    const input = document.createElement('input');
    input.dataset.option = entry.option;
    if (entry.takesValue === false) {
        input.type = 'checkbox';
        return field(labelFor(entry.option), input, entry.help, true);
    }
    input.type = 'text';
    input.spellcheck = false;
    input.autocomplete = 'off';
    input.dataset.default = entry.default;
    input.placeholder = input.dataset.default;
    return field(labelFor(entry.option), input, entry.help);
}

// The controls of `format`'s own options, and "Bits per pixel" unless it holds 1 bit only.
export function formatControls(format) {
    const controls = format.options.map(control);
    if (format.depths.some((bits) => bits !== 1)) {
        const depths = format.depths.map(String);
        const first = depths.includes('1') ? '1' : depths[0];
        controls.push(field('Bits per pixel', choice('--bpp', depths, first)));
    }
    return controls;
}
