// The page's worker: converts in the background, so the page never freezes.
// The converter (WebAssembly inside JavaScript) comes before this code in
// one script, which the page starts from memory: it loads from disk too.
/* global createConverter */
'use strict';

const converterReady = createConverter();
const PART = { text: 0, message: 1, report: 2, preview: 3, choices: 4 };

self.onmessage = async (event) => {
  const { id, bytes, name, composition, everyFrame } = event.data;
  const converter = await converterReady;
  const input = converter._malloc(Math.max(bytes.byteLength, 1));
  converter.HEAPU8.set(new Uint8Array(bytes), input);
  const status = converter.ccall(
    'tarnwick_convert', 'number', ['number', 'number', 'string', 'string', 'number'],
    [input, bytes.byteLength, name, composition, everyFrame ? 1 : 0]);
  converter._free(input);
  const part = (which) => {
    const start = converter._tarnwick_part(which);
    return converter.HEAPU8.slice(start, start + converter._tarnwick_part_size(which));
  };
  const decode = (which) => new TextDecoder().decode(part(which));
  const text = part(PART.text);
  self.postMessage({
    id, status, text,
    message: decode(PART.message),
    report: decode(PART.report),
    preview: decode(PART.preview),
    choices: decode(PART.choices),
  }, [text.buffer]);
};
