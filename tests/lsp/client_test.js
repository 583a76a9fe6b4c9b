// Drives the real `zirn --lsp` through VS Code's LSP client library
// (vscode-languageserver-protocol over vscode-jsonrpc): initialise, open a
// document with a trap, read its diagnostics, change it to leave a brace
// open, complete after `$pri`, hover over `$print$`, go to definitions in the
// document and in a library it loads with `also`, list its symbols, get an
// error for bad parameters, shut down and exit with status 0.
// Usage: node client_test.js ZIRN NODE_MODULES
'use strict';
const assert = require('assert');
const childProcess = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const [zirn, modules] = process.argv.slice(2);
const protocol = require(path.join(modules, 'vscode-languageserver-protocol', 'node'));
const { pathToFileURL } = require('url');

// Generous: the machine may be loaded.
const deadline = 60000;
function within(promise, what) {
  let timer;
  const timeout = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`no answer for ${what} within ${deadline} ms`)), deadline);
  });
  return Promise.race([promise, timeout]).finally(() => clearTimeout(timer));
}

let passed = 0;
function check(what, test) {
  test();
  passed += 1;
  console.log(`ok: ${what}`);
}

async function main() {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'zirn-lsp-client-'));
  fs.mkdirSync(path.join(folder, 'lib'));
  fs.writeFileSync(path.join(folder, 'lib', 'tools.ZIRN'), 'greet = {\n    $print$(arg0)\n}\n');
  const file = path.join(folder, 'main.ZIRN');
  const uri = pathToFileURL(file).href;
  const libraryUri = pathToFileURL(path.join(folder, 'lib', 'tools.ZIRN')).href;
  const text = [
    "also 'tools'",
    'y == 5',
    'double = {',
    '    end (arg0 * 2)',
    '}',
    '$print$($double$(2))',
    '$greet$("hi")',
    '$pri',
    '',
  ].join('\n');

  const server = childProcess.spawn(zirn, ['--lsp'], { cwd: os.tmpdir(), stdio: ['pipe', 'pipe', 'inherit'] });
  const exited = new Promise((resolve) => server.on('exit', (code) => resolve(code)));
  const connection = protocol.createProtocolConnection(
    new protocol.StreamMessageReader(server.stdout), new protocol.StreamMessageWriter(server.stdin));
  const published = [];
  let waiting = null;
  connection.onNotification(protocol.PublishDiagnosticsNotification.type, (params) => {
    published.push(params);
    if (waiting) waiting();
  });
  function nextDiagnostics(count) {
    return within(new Promise((resolve) => {
      const done = () => { if (published.length >= count) { waiting = null; resolve(published[count - 1]); } };
      waiting = done;
      done();
    }), 'the diagnostics');
  }
  connection.listen();

  const init = await within(connection.sendRequest(protocol.InitializeRequest.type, {
    processId: process.pid, rootUri: pathToFileURL(folder).href, capabilities: {}, workspaceFolders: null,
  }), 'initialize');
  check('initialize names the capabilities', () => {
    const caps = init.capabilities;
    assert.strictEqual(caps.textDocumentSync.change, protocol.TextDocumentSyncKind.Full);
    assert.strictEqual(caps.hoverProvider, true);
    assert.strictEqual(caps.definitionProvider, true);
    assert.strictEqual(caps.documentSymbolProvider, true);
    assert.deepStrictEqual(caps.completionProvider.triggerCharacters, ['$']);
  });
  await connection.sendNotification(protocol.InitializedNotification.type, {});

  await connection.sendNotification(protocol.DidOpenTextDocumentNotification.type, {
    textDocument: { uri, languageId: 'zirn', version: 1, text },
  });
  const opened = await nextDiagnostics(1);
  check('the trap is reported with its range and rule', () => {
    assert.strictEqual(opened.uri, uri);
    assert.strictEqual(opened.diagnostics.length, 1, JSON.stringify(opened.diagnostics));
    const trap = opened.diagnostics[0];
    assert.strictEqual(trap.code, 'not-assignment');
    assert.strictEqual(trap.source, 'zirn');
    assert.strictEqual(trap.severity, protocol.DiagnosticSeverity.Warning);
    // At the '==' that makes the line an assignment.
    assert.deepStrictEqual(trap.range, { start: { line: 1, character: 2 }, end: { line: 1, character: 4 } });
  });

  await connection.sendNotification(protocol.DidChangeTextDocumentNotification.type, {
    textDocument: { uri, version: 2 }, contentChanges: [{ text: text + 'half = {\n' }],
  });
  const changed = await nextDiagnostics(2);
  check('a brace left open is an error at the brace', () => {
    assert.strictEqual(changed.version, 2);
    const open = changed.diagnostics.find((d) => d.code === 'unbalanced');
    assert.ok(open, JSON.stringify(changed.diagnostics));
    assert.strictEqual(open.severity, protocol.DiagnosticSeverity.Error);
    assert.deepStrictEqual(open.range.start, { line: 8, character: 7 });
  });

  const completion = await within(connection.sendRequest(protocol.CompletionRequest.type, {
    textDocument: { uri }, position: { line: 7, character: 4 },
  }), 'completion');
  check('completion after $pri offers the builtin call, documented', () => {
    const items = Array.isArray(completion) ? completion : completion.items;
    const print = items.find((item) => item.label === 'print');
    assert.ok(print, JSON.stringify(items.map((item) => item.label)));
    assert.strictEqual(print.textEdit.newText, 'print$(');
    assert.deepStrictEqual(print.textEdit.range, { start: { line: 7, character: 1 }, end: { line: 7, character: 4 } });
    assert.match(print.detail, /^\$print\$\(/);
    assert.match(String(print.documentation), /Example/);
    assert.ok(items.some((item) => item.label === 'double'));
    assert.ok(items.some((item) => item.label === 'greet'), 'a function of the library loaded with also');
  });

  const hover = await within(connection.sendRequest(protocol.HoverRequest.type, {
    textDocument: { uri }, position: { line: 5, character: 3 },
  }), 'hover');
  check('hover over $print$ shows its reference', () => {
    assert.match(hover.contents.value, /^\$print\$\(/);
    assert.match(hover.contents.value, /Example:/);
  });

  const local = await within(connection.sendRequest(protocol.DefinitionRequest.type, {
    textDocument: { uri }, position: { line: 5, character: 10 },
  }), 'definition');
  check('go to definition finds the function in the document', () => {
    assert.strictEqual(local.uri, uri);
    assert.deepStrictEqual(local.range, { start: { line: 2, character: 0 }, end: { line: 2, character: 6 } });
  });
  const library = await within(connection.sendRequest(protocol.DefinitionRequest.type, {
    textDocument: { uri }, position: { line: 6, character: 2 },
  }), 'definition in a library');
  check('go to definition finds the function in lib/tools.ZIRN', () => {
    assert.strictEqual(library.uri, libraryUri);
    assert.deepStrictEqual(library.range.start, { line: 0, character: 0 });
  });

  const symbols = await within(connection.sendRequest(protocol.DocumentSymbolRequest.type, {
    textDocument: { uri },
  }), 'document symbols');
  check('document symbols list the functions', () => {
    assert.deepStrictEqual(symbols.map((s) => s.name), ['double', 'half']);
    assert.strictEqual(symbols[0].kind, protocol.SymbolKind.Function);
    assert.deepStrictEqual(symbols[0].range.end, { line: 4, character: 1 });
  });

  await within(connection.sendRequest('textDocument/hover', { textDocument: { uri } }).then(
    () => { throw new Error('a hover without a position was answered'); },
    (error) => check('missing parameters give -32602', () => assert.strictEqual(error.code, -32602))), 'a bad request');

  await within(connection.sendRequest(protocol.ShutdownRequest.type), 'shutdown');
  await connection.sendNotification(protocol.ExitNotification.type);
  const code = await within(exited, 'the exit');
  check('exit after shutdown ends with status 0', () => assert.strictEqual(code, 0));
  connection.dispose();
  fs.rmSync(folder, { recursive: true, force: true });
  console.log(`${passed} passed, 0 failed`);
}

main().catch((error) => {
  console.error(`FAIL: ${error.stack || error}`);
  process.exit(1);
});
